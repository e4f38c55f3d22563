#include "app/gui/AppIcon.h"

#include <QDir>
#include <QImageReader>
#include <QString>

QIcon AppIcon()
{
    // One folder per size in the resources, as in data/icons/hicolor: :/icons/NxN/rovanel.png.
    QIcon icon;
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString &size : sizes.entryList(QDir::Dirs)) {
        const QString path = sizes.filePath(size + QStringLiteral("/rovanel.png"));
        icon.addFile(path, QImageReader(path).size());
    }
    return icon;
}
