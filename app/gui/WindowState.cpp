#include "app/gui/WindowState.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kWidth = QStringLiteral("Window/Width");
const QString kHeight = QStringLiteral("Window/Height");
const QString kMaximized = QStringLiteral("Window/Maximized");
const QString kColumns = QStringLiteral("Projects/ColumnWidths");

constexpr int kMinSide = 200;
constexpr int kMaxSide = 20000;
constexpr int kMinColumn = 16;
constexpr int kMaxColumn = 4000;

int storedInt(const QSettings &Store, const QString &Key, int Min, int Max)
{
    bool ok = false;
    const int value = Store.value(Key).toString().toInt(&ok);
    return ok && value >= Min && value <= Max ? value : 0;
}

} // namespace

QString WindowStatePath(const QString &SettingsPath)
{
    const QFileInfo info(SettingsPath);
    const QString base = info.completeBaseName().isEmpty() ? info.fileName()
                                                           : info.completeBaseName();
    return info.dir().filePath(base + QStringLiteral("-window.ini"));
}

TWindowState LoadWindowState(const QString &Path)
{
    TWindowState state;
    if (!QFileInfo(Path).isFile())
        return state;
    const QSettings store(Path, QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return state;
    const int width = storedInt(store, kWidth, kMinSide, kMaxSide);
    const int height = storedInt(store, kHeight, kMinSide, kMaxSide);
    if (width > 0 && height > 0)
        state.Size = QSize(width, height);
    state.Maximized = store.value(kMaximized).toString() == QLatin1String("1");
    const QStringList widths = store.value(kColumns).toString().split(QLatin1Char(' '),
                                                                      Qt::SkipEmptyParts);
    for (const QString &text : widths) {
        bool ok = false;
        const int column = text.trimmed().toInt(&ok);
        if (!ok || column < kMinColumn || column > kMaxColumn) {
            state.ColumnWidths.clear();
            break;
        }
        state.ColumnWidths.append(column);
    }
    return state;
}

bool SaveWindowState(const QString &Path, const TWindowState &State)
{
    QSettings store(Path, QSettings::IniFormat);
    store.clear();
    if (State.Size.isValid()) {
        store.setValue(kWidth, QString::number(State.Size.width()));
        store.setValue(kHeight, QString::number(State.Size.height()));
    }
    store.setValue(kMaximized, State.Maximized ? QStringLiteral("1") : QStringLiteral("0"));
    QStringList widths;
    for (int width : State.ColumnWidths)
        widths.append(QString::number(width));
    store.setValue(kColumns, widths.join(QLatin1Char(' ')));
    store.sync();
    return store.status() == QSettings::NoError;
}
