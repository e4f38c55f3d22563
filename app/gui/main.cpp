#include "app/gui/AppVersion.h"
#include "app/gui/AppWindows.h"
#include "app/gui/RVMainUnit.h"
#include "ftp/FTPConnUnit.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The name only: a display name would be added to every window title, which already
    // starts with it.
    QApplication::setApplicationName(AppTitle());

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    // The one list of saved connections exists before any window and outlives them all.
    TFTPConnList connections;
    int result = 0;
    {
        // One window per settings file, for as long as the program runs.
        const TAppStart start = StartApp(connections, arguments,
                                         QApplication::applicationDirPath());
        if (!start.Windows)
            return 1;
        QObject::connect(start.Windows->RVMainForm.get(), &QDialog::finished, &app,
                         &QApplication::quit);
        start.Windows->RVMainForm->show();
        result = app.exec();
    }
    return result;
}
