#pragma once

#include "ui/RVFormUnit.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TFTPConnList;
class TFTPConnection;
class TUpDown;

// The dialog in which the user creates, edits and removes saved FTP connections. It works on
// the program's one connection list in place: "Save" and "Remove" change the list at once and
// closing the dialog does not undo them. One instance is made at start-up and reused.
class TEditFTPForm : public TRVForm
{
    Q_OBJECT

public:
    explicit TEditFTPForm(TFTPConnList &ConnList, QWidget *parent = nullptr);

    // Shows the dialog with an empty editor and no selection.
    void Execute();
    // The same, first showing the connection named ConnName (exact match) when there is one.
    // On "OK" ConnName becomes the editor's connection name and the result is true.
    bool Execute(QString &ConnName);

    bool FTPChanged() const { return FFTPChanged; }
    int SelectedItemIndex() const { return FSelectedItemIndex; }

    TListView *ConnListView;
    QGroupBox *ConnectionGroupBox;
    QLineEdit *HostEdit;
    QLineEdit *PortEdit;
    TUpDown *PortUpDown;
    QComboBox *TLSComboBox;
    QLineEdit *UserEdit;
    QLineEdit *PasswordEdit;
    QCheckBox *ShowPasswordCheckBox;
    QCheckBox *AskPasswordCheckBox;
    // How many uploads go at once, each over a connection of its own.
    QSpinBox *TransfersSpinBox;
    QLineEdit *ConnNameEdit;
    QPushButton *SaveConnButton;
    QPushButton *RemoveButton;
    QPushButton *NewButton;
    QPushButton *OKButton;
    QPushButton *CloseButton;

    bool SaveConnection();
    void UpdateConnList();

    void SaveConnButtonClick();
    void RemoveButtonClick();
    void NewButtonClick();
    void OKButtonClick();

protected:
    // Every way of closing passes here: unsaved editor changes are confirmed first.
    void done(int Result) override;
    void showEvent(QShowEvent *event) override;

private:
    void Open();
    void SetFTPChanged(bool Value);
    void EditorChanged();
    void DisplayConnection(const TFTPConnection &Conn);
    void ClearConnection();
    void ApplyAskPassword();
    void ConnListViewSelectItem();
    void ShowPasswordCheckBoxClick();
    void AskPasswordCheckBoxClick();
    void ConnNameEditChange();
    void SelectRow(int Index);
    bool ConfirmUndo(const QString &Title);

    TFTPConnList &FConnList;
    int FSelectedItemIndex = -1;
    bool FFTPChanged = false;
    bool FDisplayItem = false;
};
