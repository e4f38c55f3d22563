// The stored form of list views: escaped texts under numbered keys.
#include "settings/NumberedKeys.h"
#include "settings/VHashedStringList.h"
#include "settings/uClasses.h"
#include "ui/RVFormUnit.h"

namespace {

QString RowKey(const QString &AName, int Row, int Column)
{
    return AName + QLatin1Char('[') + QString::number(Row) + QStringLiteral("][")
           + QString::number(Column) + QLatin1Char(']');
}

QString CheckedKey(const QString &AName, int Row)
{
    return AName + QStringLiteral("Checked[") + QString::number(Row) + QLatin1Char(']');
}

} // namespace

QString TRVForm::EncodeValue(const QString &AValue)
{
    QString result;
    result.reserve(AValue.size());
    for (const QChar c : AValue) {
        switch (c.unicode()) {
        case u'\t':
            result += QStringLiteral("\\t");
            break;
        case u'\n':
            result += QStringLiteral("\\n");
            break;
        case u'\r':
            result += QStringLiteral("\\r");
            break;
        case u'\\':
            result += QStringLiteral("\\\\");
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

QString TRVForm::DecodeValue(const QString &AValue)
{
    QString result;
    result.reserve(AValue.size());
    for (qsizetype i = 0; i < AValue.size(); ++i) {
        const QChar c = AValue.at(i);
        if (c != QLatin1Char('\\') || i + 1 == AValue.size()) {
            result += c;
            continue;
        }
        const QChar next = AValue.at(++i);
        switch (next.unicode()) {
        case u'n':
            result += QLatin1Char('\n');
            break;
        case u'r':
            result += QLatin1Char('\r');
            break;
        case u't':
            result += QLatin1Char('\t');
            break;
        default:
            result += next;
            break;
        }
    }
    return result;
}

void TRVForm::SaveListView(TListView *ListView, TVHashedStringList &lst, const QString &AName)
{
    const int count = ListView->ItemCount();
    for (int i = 1; i <= count; ++i) {
        const QTreeWidgetItem *item = ListView->Item(i - 1);
        lst.SetValue(RowKey(AName, i, 0), EncodeValue(item->text(0)));
        for (int j = 1; j < ListView->Columns() && TListView::SubItemCount(item) >= j; ++j)
            lst.SetValue(RowKey(AName, i, j), EncodeValue(TListView::SubItem(item, j)));
        if (ListView->Checkboxes())
            lst.SetValue(CheckedKey(AName, i),
                         ListView->IsChecked(item) ? QStringLiteral("1") : QStringLiteral("0"));
    }
    lst.SetValue(AName + QLatin1Char('N'), QString::number(count));
}

void TRVForm::LoadListView(TListView *ListView, const TVHashedStringList &lst, const QString &AName)
{
    TListViewUpdate update(ListView);
    const int32_t n = GetIntValueDef(lst, AName + QLatin1Char('N'), 0);
    // Rows without a caption line are skipped, so only the numbers that have one are visited:
    // a hand-edited count far beyond the lines costs no more than the lines themselves.
    for (const int32_t i :
         FindNumberedIndexes(lst, AName + QLatin1Char('['), QStringLiteral("][0]"), n)) {
        const QString caption = DecodeValue(lst.GetValue(RowKey(AName, i, 0)));
        if (caption.isEmpty())
            continue;
        QTreeWidgetItem *item = ListView->AddItem(caption);
        for (int j = 1; j < ListView->Columns(); ++j)
            TListView::SetSubItem(item, j, DecodeValue(lst.GetValue(RowKey(AName, i, j))));
        if (ListView->Checkboxes())
            ListView->SetChecked(item, lst.GetValue(CheckedKey(AName, i)) == QLatin1String("1"));
    }
}
