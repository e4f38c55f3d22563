#include "app/gui/AppWindows.h"

#include "app/gui/AppIcon.h"
#include "app/gui/RVMainUnit.h"
#include "app/gui/SettingsClaim.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/widgets/EditProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"
#include "settings/SettingsLocation.h"
#include "settings/StoredKeys.h"

#include <QApplication>

TAppWindows::TAppWindows(TFTPConnList &FTPConnList, const QStringList &Arguments)
{
    RVMainForm = std::make_unique<TRVMainForm>(FTPConnList, Arguments);
    SelectFileForm = std::make_unique<TSelectFileForm>(RVMainForm.get());
    EditFTPForm = std::make_unique<TEditFTPForm>(FTPConnList, RVMainForm.get());
    EditProjectForm = std::make_unique<TEditProjectForm>(FTPConnList, *SelectFileForm, *EditFTPForm,
                                                         RVMainForm.get());
    AskPasswordForm = std::make_unique<TAskPasswordForm>(RVMainForm.get());
    RVMainForm->SetDialogs(EditProjectForm.get(), EditFTPForm.get(), AskPasswordForm.get());
}

TAppWindows::~TAppWindows()
{
    // The dialogs first (they are children of the main window), then the main window, whose
    // destruction saves the settings.
    AskPasswordForm.reset();
    EditProjectForm.reset();
    EditFTPForm.reset();
    SelectFileForm.reset();
    RVMainForm.reset();
}

TAppStart StartApp(TFTPConnList &FTPConnList, const QStringList &Arguments,
                   const QString &ProgramFolder)
{
    // Every window without an icon of its own, the dialogs too, shows the program's; the desktop
    // file (installed as rovanel.desktop) names the program to the desktop's task switcher.
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("rovanel"));
    ResetSettingsLocation(Arguments, ProgramFolder);
    TAppStart start;
    // The path as the window reads it: on a first start in the per-user mode this makes the
    // folder and copies the program folder's settings file into it, which happens only when
    // the folder is made, so nothing may make it before.
    start.Claim = ClaimSettingsFile(ProgramSettingsPath(true));
    if (!start.Claim)
        return start;
    start.Windows = std::make_unique<TAppWindows>(FTPConnList, Arguments);
    return start;
}
