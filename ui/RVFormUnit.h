#pragma once

#include "ui/ListView.h"
#include "ui/WinProcHandler.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QLineEdit;
class QShowEvent;
class QTreeWidgetItem;
class TStringList;
class TVHashedStringList;

// A file name arriving at a list view; set AHandled to keep the default row from being added.
using TAddInputFileEvent =
    std::function<void(TListView *ListView, const QString &AFileName, bool &AHandled)>;
// A file name arriving at an edit field; set AHandled to keep the field's text as it is.
using TSetInputFileEvent =
    std::function<void(QLineEdit *Edit, const QString &AFileName, bool &AHandled)>;
// A row has been added for a file name.
using TInputFileItemAddedEvent =
    std::function<void(TListView *ListView, const QString &AFileName, QTreeWidgetItem *ListItem)>;

// The base of every window of the program. A QDialog, so that the dialogs get exec(), accept()
// and reject(), and the main window is a top-level dialog as well (it may override reject() to
// stay open on Esc).
//
// Services: message boxes that go through the replaceable hook of MessageBoxes.h, operations on
// report list views (TListView, the one list view class of the windows) with their stored form,
// and the input-file operations through which file names from file drops and file dialogs reach
// list views and edit fields.
//
// File drops: a control registered with EnableDroppingFile accepts file URLs dragged onto it
// from the window's next showing on. The window's HandleDropFiles sees the control's events first
// through a TWinProcHandler; a drop of file URLs is handled once and goes no further. Each control
// carries at most one drop handler from this window however often the window is shown, and
// destroying the window removes every handler it put in front of a control.
class TRVForm : public QDialog
{
    Q_OBJECT

public:
    explicit TRVForm(QWidget *parent = nullptr);
    ~TRVForm() override;

    // --- message boxes ---
    // Yes/No question with the question icon; true on Yes.
    bool Confirm(const QString &AConfirmTitle, const QString &AConfirmQuery);
    // OK box with the warning icon and the window's caption as title.
    void Warning(const QString &AMsg);
    // False, after warning "Please, enter " + AName, when AValue is empty.
    bool CheckNotEmpty(const QString &AValue, const QString &AName);

    // --- list views ---
    QTreeWidgetItem *AddListItem(TListView *ListView, const QStringList &AValues);
    void UpdateSelected(TListView *ListView, const QStringList &AValues);
    // Index of the first row with this caption (A-Z matched ignoring case when Insensitive);
    // -1 when none.
    static int FindListItem(TListView *ListView, const QString &ACaption, bool Insensitive);
    bool CheckListItemNotExists(TListView *ListView, int ItemIndex, const QString &ACaption,
                                bool Insensitive, const QString &AName);
    bool CheckListItemsChecked(TListView *ListView, const QString &AWarning);
    bool DeleteSelected(TListView *ListView, const QString &AConfirmTitle);
    static void DeleteAllListItems(TListView *ListView);
    static void DeleteCheckedListItems(TListView *ListView);
    static void CheckAllListItems(TListView *ListView);
    static void UnCheckAllListItems(TListView *ListView);
    static int CheckedCount(TListView *ListView);
    static void GetAllListItems(TListView *ListView, TStringList &AAllItems);
    static void GetCheckedListItems(TListView *ListView, TStringList &ACheckedItems);
    static void FillCheckedListView(TListView *ListView, const TStringList &ACheckedItems,
                                    const TStringList &AAllItems);
    // Stored form: AName[i][0] caption, AName[i][j] sub-items, AName + "Checked[i]", AName + "N";
    // texts escaped by EncodeValue. Loading appends to the rows already there.
    static void LoadListView(TListView *ListView, const TVHashedStringList &lst,
                             const QString &AName);
    static void SaveListView(TListView *ListView, TVHashedStringList &lst, const QString &AName);

    // Tab, line feed, carriage return and backslash as \t, \n, \r and \\ (and back).
    static QString EncodeValue(const QString &AValue);
    static QString DecodeValue(const QString &AValue);

    // --- input files ---
    // AFileName without its first AStripDir.length() characters when they equal AStripDir,
    // letters A-Z matched ignoring case (any equal beginning, not only whole folders).
    static QString StripFilePath(const QString &AFileName, const QString &AStripDir);

    const QString &InputFileStripDir() const { return fInputFileStripDir; }
    // A non-empty folder gets a "/" appended when it lacks one.
    void SetInputFileStripDir(const QString &Value);

    const TAddInputFileEvent &OnAddInputFile() const { return fOnAddInputFile; }
    void SetOnAddInputFile(TAddInputFileEvent Value) { fOnAddInputFile = std::move(Value); }
    const TSetInputFileEvent &OnSetInputFile() const { return fOnSetInputFile; }
    void SetOnSetInputFile(TSetInputFileEvent Value) { fOnSetInputFile = std::move(Value); }
    const TInputFileItemAddedEvent &OnInputFileItemAdded() const { return fOnInputFileItemAdded; }
    void SetOnInputFileItemAdded(TInputFileItemAddedEvent Value)
    {
        fOnInputFileItemAdded = std::move(Value);
    }

    // --- file drops ---
    // Registers a list view or an edit field as a drop target (a second call does nothing).
    void EnableDroppingFile(QWidget *Control);
    // Puts a handler calling CustomWndProc in front of the control's present handlers.
    void SubClass(QWidget *Control, TCustomWndMethod CustomWndProc);

protected:
    virtual void DoAddInputFile(TListView *ListView, const QString &AFileName);
    virtual void DoSetInputFile(QLineEdit *Edit, const QString &AFileName, bool ANoStrip);
    virtual void DoSetInputFiles(QLineEdit *Edit, const QStringList &AFileNames, bool ANoStrip);
    virtual void DoInputFileItemAdded(TListView *ListView, const QString &AFileName,
                                      QTreeWidgetItem *ListItem);
    // The window's drop procedure: takes drags and drops of local file URLs, hands each file
    // name to the list view or edit field, and returns true for them; false for anything else.
    virtual bool HandleDropFiles(QWidget *Control, TWinProcHandler *Handler, QEvent *Message);

    void showEvent(QShowEvent *event) override;

private:
    // Subclasses the control for drops unless this window's drop handler is already in front.
    void SubClassForDrops(QWidget *Control);
    TWinProcHandler *FindSubClassed(QWidget *Control) const;

    std::vector<std::unique_ptr<TWinProcHandler>> fSubClassedCtrls;
    std::vector<QPointer<QWidget>> fDropFileCtrls;
    // The registered controls that already carry this window's drop handler.
    std::vector<QPointer<QWidget>> fDropSubClassed;
    TAddInputFileEvent fOnAddInputFile;
    TSetInputFileEvent fOnSetInputFile;
    TInputFileItemAddedEvent fOnInputFileItemAdded;
    QString fInputFileStripDir;
};
