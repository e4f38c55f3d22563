#include "ProgramVersion.h"
#include "app/gui/AppVersion.h"
#include "app/gui/AppWindows.h"
#include "app/gui/CommandLine.h"
#include "app/gui/RVMainUnit.h"
#include "ftp/FTPConnUnit.h"

#include <QApplication>

#include <cstdio>

namespace {

// Answers --help and --version on stdout, before Qt looks for a display. Returns true when
// the program has nothing more to do.
bool AnsweredBeforeWindow(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString text;
    switch (AppRequestFromArguments(arguments)) {
    case TAppRequest::Run:
        return false;
    case TAppRequest::Help:
        text = AppUsage();
        break;
    case TAppRequest::Version:
        text = QStringLiteral(RV_VERSION_TEXT "\n");
        break;
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (AnsweredBeforeWindow(argc, argv))
        return std::fflush(stdout) == 0 ? 0 : 1;
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
