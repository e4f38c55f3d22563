#include "app/gui/AppIcon.h"

#include <QSize>
#include <QString>

QIcon AppIcon()
{
    // The sizes of data/icons/hicolor, which app/CMakeLists.txt puts into the resources.
    static constexpr int Sizes[] = {16, 24, 32, 48, 64, 128, 256};
    QIcon icon;
    for (const int size : Sizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/rovanel.png").arg(size), QSize(size, size));
    return icon;
}
