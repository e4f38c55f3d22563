#pragma once

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
