#include "app/gui/AppVersion.h"
#include "app/gui/AppWindows.h"
#include "app/gui/RVMainUnit.h"
#include "app/gui/SettingsClaim.h"
#include "ftp/FTPConnUnit.h"
#include "settings/SettingsLocation.h"
#include "settings/StoredKeys.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The name only: a display name would be added to every window title, which already
    // starts with it.
    QApplication::setApplicationName(AppTitle());

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    ResetSettingsLocation(arguments, QApplication::applicationDirPath());
    // One window per settings file, for as long as the program runs. Asked for the reading
    // path, so that a first start in the per-user folder still copies the program folder's
    // settings file there (done only when the folder is made).
    const std::unique_ptr<TSettingsLock> claim = ClaimSettingsFile(ProgramSettingsPath(true));
    if (!claim)
        return 1;

    // The one list of saved connections exists before any window and outlives them all.
    TFTPConnList connections;
    int result = 0;
    {
        TAppWindows windows(connections, arguments);
        QObject::connect(windows.RVMainForm.get(), &QDialog::finished, &app, &QApplication::quit);
        windows.RVMainForm->show();
        result = app.exec();
    }
    return result;
}
