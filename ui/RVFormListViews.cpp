// The report list-view operations of the base window.
#include "settings/AsciiText.h"
#include "settings/StringList.h"
#include "ui/RVFormUnit.h"

QTreeWidgetItem *TRVForm::AddListItem(TListView *ListView, const QStringList &AValues)
{
    if (AValues.isEmpty())
        return nullptr;
    QTreeWidgetItem *item;
    {
        TListViewUpdate update(ListView);
        item = ListView->AddItem(AValues.first());
        for (int j = 1; j < ListView->Columns(); ++j)
            TListView::SetSubItem(item, j, AValues.value(j));
    }
    ListView->SetSelected(item);
    return item;
}

void TRVForm::UpdateSelected(TListView *ListView, const QStringList &AValues)
{
    QTreeWidgetItem *item = ListView->Selected();
    if (AValues.isEmpty() || !item)
        return;
    TListViewUpdate update(ListView);
    item->setText(0, AValues.first());
    for (int j = 1; j < ListView->Columns(); ++j) {
        if (j < AValues.size())
            TListView::SetSubItem(item, j, AValues.at(j));
        else if (TListView::SubItemCount(item) < j)
            TListView::AppendSubItem(item, QString());
    }
}

int TRVForm::FindListItem(TListView *ListView, const QString &ACaption, bool Insensitive)
{
    for (int i = 0; i < ListView->ItemCount(); ++i) {
        const QString caption = ListView->Item(i)->text(0);
        if (Insensitive ? SameTextAscii(caption, ACaption) : caption == ACaption)
            return i;
    }
    return -1;
}

bool TRVForm::CheckListItemNotExists(TListView *ListView, int ItemIndex, const QString &ACaption,
                                     bool Insensitive, const QString &AName)
{
    const int found = FindListItem(ListView, ACaption, Insensitive);
    if (found < 0 || found == ItemIndex)
        return true;
    Warning(AName + QStringLiteral(" \"") + ACaption + QStringLiteral("\" already exists."));
    return false;
}

bool TRVForm::CheckListItemsChecked(TListView *ListView, const QString &AWarning)
{
    if (CheckedCount(ListView) > 0)
        return true;
    if (!AWarning.isEmpty())
        Warning(AWarning);
    return false;
}

bool TRVForm::DeleteSelected(TListView *ListView, const QString &AConfirmTitle)
{
    QTreeWidgetItem *item = ListView->Selected();
    if (!item)
        return false;
    const QString query = QStringLiteral("Delete \"") + item->text(0)
                          + QStringLiteral("\".\"\r\n\r\nAre you sure?");
    if (!Confirm(AConfirmTitle, query))
        return false;
    // The answer may have come after the rows changed: look the row up again.
    const int index = ListView->IndexOfItem(item);
    if (index < 0)
        return false;
    ListView->DeleteItem(index);
    const int count = ListView->ItemCount();
    ListView->SetSelected(count == 0 ? nullptr : ListView->Item(qMin(index, count - 1)));
    return true;
}

void TRVForm::DeleteAllListItems(TListView *ListView)
{
    TListViewUpdate update(ListView);
    for (int i = ListView->ItemCount() - 1; i >= 0; --i)
        ListView->DeleteItem(i);
}

void TRVForm::DeleteCheckedListItems(TListView *ListView)
{
    TListViewUpdate update(ListView);
    for (int i = ListView->ItemCount() - 1; i >= 0; --i) {
        if (ListView->IsChecked(ListView->Item(i)))
            ListView->DeleteItem(i);
    }
}

void TRVForm::CheckAllListItems(TListView *ListView)
{
    for (int i = 0; i < ListView->ItemCount(); ++i)
        ListView->SetChecked(ListView->Item(i), true);
}

void TRVForm::UnCheckAllListItems(TListView *ListView)
{
    for (int i = 0; i < ListView->ItemCount(); ++i)
        ListView->SetChecked(ListView->Item(i), false);
}

int TRVForm::CheckedCount(TListView *ListView)
{
    int count = 0;
    for (int i = 0; i < ListView->ItemCount(); ++i) {
        if (ListView->IsChecked(ListView->Item(i)))
            ++count;
    }
    return count;
}

void TRVForm::GetAllListItems(TListView *ListView, TStringList &AAllItems)
{
    AAllItems.Clear();
    for (int i = 0; i < ListView->ItemCount(); ++i)
        AAllItems.Add(ListView->Item(i)->text(0));
}

void TRVForm::GetCheckedListItems(TListView *ListView, TStringList &ACheckedItems)
{
    ACheckedItems.Clear();
    for (int i = 0; i < ListView->ItemCount(); ++i) {
        if (ListView->IsChecked(ListView->Item(i)))
            ACheckedItems.Add(ListView->Item(i)->text(0));
    }
}

void TRVForm::FillCheckedListView(TListView *ListView, const TStringList &ACheckedItems,
                                  const TStringList &AAllItems)
{
    TListViewUpdate update(ListView);
    DeleteAllListItems(ListView);
    for (int i = 0; i < AAllItems.Count(); ++i) {
        const QString text = AAllItems.Strings(i);
        QTreeWidgetItem *item = ListView->AddItem(text);
        ListView->SetChecked(item, ACheckedItems.IndexOf(text) >= 0);
    }
}
