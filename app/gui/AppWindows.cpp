#include "app/gui/AppWindows.h"

#include "app/gui/RVMainUnit.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/widgets/EditProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"

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
