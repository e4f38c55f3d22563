#include "app/gui/AppVersion.h"
#include "app/gui/AppWindows.h"
#include "app/gui/RVMainUnit.h"
#include "ftp/FTPConnUnit.h"
#include "settings/SettingsLocation.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppTitle());
    QApplication::setApplicationDisplayName(AppTitle());

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    ResetSettingsLocation(arguments, QApplication::applicationDirPath());

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
