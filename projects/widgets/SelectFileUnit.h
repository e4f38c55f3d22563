#pragma once

#include "ui/RVFormUnit.h"

#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Shows the open-file dialog: parent, initial folder, preset file name; the chosen files, or
// none when the user cancels.
using TOpenFilesDialog =
    std::function<QStringList(QWidget *Parent, const QString &InitialDir, const QString &FileName)>;

// The dialog for one row of a project's source-pattern table: the pattern and its two flags.
// Picked and dropped files are written relative to the project's source folder when they lie
// inside it. One instance is made at start-up and reused.
class TSelectFileForm : public TRVForm
{
    Q_OBJECT

public:
    explicit TSelectFileForm(QWidget *parent = nullptr);

    // FileName, SubFolders and JunkPath are replaced only when the user closes with OK (true).
    bool Execute(QString &FileName, bool &SubFolders, bool &JunkPath, const QString &SourceFolder);

    // The open-file dialog in use; tests put a stand-in here.
    TOpenFilesDialog OpenFileDialog;
    // The folder the open-file dialog starts in (the source folder of this opening).
    const QString &OpenFileDialogInitialDir() const { return FInitialDir; }

    QLabel *HeaderLabel;
    QLabel *FileNameLabel;
    QLineEdit *FileNameEdit;
    QPushButton *BrowseButton;
    QPushButton *OKButton;
    QPushButton *CancelButton;
    QCheckBox *SubFoldersCheckBox;
    QCheckBox *JunkPathCheckBox;
    // An example pattern under the wild cards, with what it takes.
    QLabel *ExampleLabel;

    void BrowseButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FileNameEditChange();
    static QStringList DefaultOpenFileDialog(QWidget *Parent, const QString &InitialDir,
                                             const QString &FileName);

    QString FInitialDir;
};
