#include "ui/ListView.h"

TListView::TListView(QWidget *parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void TListView::SetCheckboxes(bool Value)
{
    if (FCheckboxes == Value)
        return;
    FCheckboxes = Value;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = topLevelItem(i);
        if (Value) {
            PrepareItem(item);
        } else {
            // Clearing the check state role removes the box.
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setData(0, Qt::CheckStateRole, QVariant());
        }
    }
}

void TListView::PrepareItem(QTreeWidgetItem *Item) const
{
    Qt::ItemFlags flags = Item->flags() | Qt::ItemNeverHasChildren;
    flags.setFlag(Qt::ItemIsUserCheckable, FCheckboxes);
    Item->setFlags(flags);
    // A checkable row shows its box only once it has a check state.
    if (FCheckboxes && !Item->data(0, Qt::CheckStateRole).isValid())
        Item->setCheckState(0, Qt::Unchecked);
}

QTreeWidgetItem *TListView::AddItem(const QString &Caption)
{
    auto *item = new QTreeWidgetItem(QStringList(Caption));
    PrepareItem(item);
    addTopLevelItem(item);
    return item;
}

void TListView::DeleteItem(int Index)
{
    delete takeTopLevelItem(Index);
}

QTreeWidgetItem *TListView::Selected() const
{
    // selectedItems() follows selection order; the first selected row in row order is meant.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected())
            return topLevelItem(i);
    }
    return nullptr;
}

void TListView::SetSelected(QTreeWidgetItem *Item)
{
    if (!Item) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    setCurrentItem(Item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TListView::SubItemCount(const QTreeWidgetItem *Item)
{
    return qMax(0, Item->columnCount() - 1);
}

QString TListView::SubItem(const QTreeWidgetItem *Item, int Index)
{
    return Item->text(Index);
}

void TListView::SetSubItem(QTreeWidgetItem *Item, int Index, const QString &Text)
{
    if (Index < 1)
        return;
    // QTreeWidgetItem skips an unchanged value, so an empty text must widen the row itself
    // when the row is too short to hold it.
    Item->setText(Index, Text);
    if (Item->columnCount() <= Index) {
        Item->setText(Index, QStringLiteral(" "));
        Item->setText(Index, Text);
    }
}

void TListView::AppendSubItem(QTreeWidgetItem *Item, const QString &Text)
{
    SetSubItem(Item, qMax(1, Item->columnCount()), Text);
}

bool TListView::IsChecked(const QTreeWidgetItem *Item) const
{
    return FCheckboxes && Item->checkState(0) == Qt::Checked;
}

void TListView::SetChecked(QTreeWidgetItem *Item, bool Value)
{
    if (FCheckboxes)
        Item->setCheckState(0, Value ? Qt::Checked : Qt::Unchecked);
}

TListViewUpdate::TListViewUpdate(QWidget *View)
    : FView(View), FWasEnabled(View && View->updatesEnabled())
{
    if (FView)
        FView->setUpdatesEnabled(false);
}

TListViewUpdate::~TListViewUpdate()
{
    if (FView && FWasEnabled)
        FView->setUpdatesEnabled(true);
}
