#pragma once

#include "settings/SettingsLock.h"

#include <QString>
#include <QStringList>

#include <memory>

class TAskPasswordForm;
class TEditFTPForm;
class TEditProjectForm;
class TFTPConnList;
class TRVMainForm;
class TSelectFileForm;

// The program's five windows; each lives until the program ends and is reused. The main
// window comes first, so the settings are loaded before the dialogs exist; the dialogs are
// made in the order in which they need each other and are then handed to the main window.
struct TAppWindows
{
    TAppWindows(TFTPConnList &FTPConnList, const QStringList &Arguments);
    ~TAppWindows();

    TAppWindows(const TAppWindows &) = delete;
    TAppWindows &operator=(const TAppWindows &) = delete;

    std::unique_ptr<TRVMainForm> RVMainForm;
    std::unique_ptr<TSelectFileForm> SelectFileForm;
    std::unique_ptr<TEditFTPForm> EditFTPForm;
    std::unique_ptr<TEditProjectForm> EditProjectForm;
    std::unique_ptr<TAskPasswordForm> AskPasswordForm;
};

// What the program holds while it runs: the claim on its settings file and the windows over
// that file. The windows come after the claim and go before it, so that their save at the end
// is made under the claim.
struct TAppStart
{
    std::unique_ptr<TSettingsLock> Claim;
    std::unique_ptr<TAppWindows> Windows;
};

// The program's start: gives every window the program's icon, decides where the settings file
// is from Arguments (after the program name) and ProgramFolder, claims the file and makes the
// windows, which load it. When another
// window holds the file, says so in a message box and returns neither: the program then ends
// without opening a window.
TAppStart StartApp(TFTPConnList &FTPConnList, const QStringList &Arguments,
                   const QString &ProgramFolder);
