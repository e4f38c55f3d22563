#pragma once

#include <QTreeWidget>

// The report-style list view every window uses: rows with a caption (column 0), sub-item texts
// for the further columns and, when the view has check boxes, a check state on column 0.
//
// It is a QTreeWidget kept flat (no root decoration, no expanding, whole-row single selection),
// so each top-level item is one row. The number of columns is the header's column count; a row
// may hold fewer sub-items than the view has further columns (a QTreeWidgetItem's own column
// count tells how many texts it carries), which the stored forms of list views depend on.
class TListView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TListView(QWidget *parent = nullptr);

    // Check boxes on every row; switching them on gives existing rows an unticked box.
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool Value);

    // Columns of the view (caption column included).
    int Columns() const { return columnCount(); }
    int ItemCount() const { return topLevelItemCount(); }
    QTreeWidgetItem *Item(int Index) const { return topLevelItem(Index); }
    int IndexOfItem(QTreeWidgetItem *Item) const { return indexOfTopLevelItem(Item); }

    // Appends a row with the caption and no sub-items (unticked when the view has check boxes).
    QTreeWidgetItem *AddItem(const QString &Caption);
    // Removes and destroys the row at Index.
    void DeleteItem(int Index);

    // The selected row (the first one when several are), none when nothing is selected.
    QTreeWidgetItem *Selected() const;
    // Selects the row alone and makes it current; none clears the selection.
    void SetSelected(QTreeWidgetItem *Item);

    static int SubItemCount(const QTreeWidgetItem *Item);
    static QString SubItem(const QTreeWidgetItem *Item, int Index);
    // Sets sub-item Index (from 1); a row with fewer sub-items grows to hold it.
    static void SetSubItem(QTreeWidgetItem *Item, int Index, const QString &Text);
    // Adds a sub-item after the row's last one.
    static void AppendSubItem(QTreeWidgetItem *Item, const QString &Text);

    bool IsChecked(const QTreeWidgetItem *Item) const;
    void SetChecked(QTreeWidgetItem *Item, bool Value);

private:
    void PrepareItem(QTreeWidgetItem *Item) const;

    bool FCheckboxes = false;
};

// Holds back repainting of a view while a batch of rows changes; nests.
class TListViewUpdate
{
public:
    explicit TListViewUpdate(QWidget *View);
    ~TListViewUpdate();

    TListViewUpdate(const TListViewUpdate &) = delete;
    TListViewUpdate &operator=(const TListViewUpdate &) = delete;

private:
    QWidget *FView;
    bool FWasEnabled;
};
