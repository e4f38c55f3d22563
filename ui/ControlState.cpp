#include "ui/ControlState.h"

#include "settings/NumberedKeys.h"
#include "settings/uAppSettings.h"
#include "settings/uClasses.h"
#include "ui/ListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// The ten kinds in the order they are recognised; Unknown for every other widget.
enum class TCtrlKind {
    Unknown,
    Edit,
    UpDown,
    CheckBox,
    RadioButton,
    ComboBox,
    CheckListBox,
    Memo,
    TabControl,
    DateTimePicker,
    ListView,
};

TCtrlKind KindOf(QWidget *Ctrl)
{
    if (qobject_cast<QLineEdit *>(Ctrl))
        return TCtrlKind::Edit;
    if (qobject_cast<QSpinBox *>(Ctrl))
        return TCtrlKind::UpDown;
    if (qobject_cast<QCheckBox *>(Ctrl))
        return TCtrlKind::CheckBox;
    if (qobject_cast<QRadioButton *>(Ctrl))
        return TCtrlKind::RadioButton;
    if (qobject_cast<QComboBox *>(Ctrl))
        return TCtrlKind::ComboBox;
    if (qobject_cast<QListWidget *>(Ctrl))
        return TCtrlKind::CheckListBox;
    if (qobject_cast<QPlainTextEdit *>(Ctrl) || qobject_cast<QTextEdit *>(Ctrl))
        return TCtrlKind::Memo;
    if (qobject_cast<QTabWidget *>(Ctrl) || qobject_cast<QTabBar *>(Ctrl))
        return TCtrlKind::TabControl;
    if (qobject_cast<QDateTimeEdit *>(Ctrl))
        return TCtrlKind::DateTimePicker;
    if (qobject_cast<QTreeWidget *>(Ctrl))
        return TCtrlKind::ListView;
    return TCtrlKind::Unknown;
}

// A date/time edit showing no date section edits a time of day; every other one a date.
bool IsTimeKind(const QDateTimeEdit *Edit)
{
    return !(Edit->displayedSections() & QDateTimeEdit::DateSections_Mask);
}

QString MemoText(QWidget *Ctrl)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(Ctrl))
        return plain->toPlainText();
    return static_cast<QTextEdit *>(Ctrl)->toPlainText();
}

void SetMemoText(QWidget *Ctrl, const QString &Text)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(Ctrl))
        plain->setPlainText(Text);
    else
        static_cast<QTextEdit *>(Ctrl)->setPlainText(Text);
}

int TabCount(QWidget *Ctrl)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(Ctrl))
        return tabs->count();
    return static_cast<QTabBar *>(Ctrl)->count();
}

int CurrentTab(QWidget *Ctrl)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(Ctrl))
        return tabs->currentIndex();
    return static_cast<QTabBar *>(Ctrl)->currentIndex();
}

void SetCurrentTab(QWidget *Ctrl, int Index)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(Ctrl))
        tabs->setCurrentIndex(Index);
    else
        static_cast<QTabBar *>(Ctrl)->setCurrentIndex(Index);
}

QString RowKey(const QString &SName, int Row, int Column)
{
    return SName + QString::number(Row) + QLatin1Char(':') + QString::number(Column);
}

QTreeWidgetItem *AppendRow(QTreeWidget *Tree, const QString &Caption)
{
    if (auto *listView = qobject_cast<TListView *>(Tree))
        return listView->AddItem(Caption);
    auto *item = new QTreeWidgetItem(QStringList(Caption));
    Tree->addTopLevelItem(item);
    return item;
}

void SaveListViewRows(TStringList &List, const QString &SName, QTreeWidget *Tree)
{
    const int count = Tree->topLevelItemCount();
    for (int i = 1; i <= count; ++i) {
        const QTreeWidgetItem *item = Tree->topLevelItem(i - 1);
        SetStringValue(List, RowKey(SName, i, 0), item->text(0));
        for (int j = 1; j <= TListView::SubItemCount(item); ++j)
            SetStringValue(List, RowKey(SName, i, j), item->text(j));
    }
    SetIntValue(List, SName + QLatin1Char('N'), count);
}

void LoadListViewRows(const TAppSettings &Settings, const QString &SName, QTreeWidget *Tree)
{
    const TStringList &list = Settings.Strings();
    const int32_t n = Settings.GetItemCount(SName);
    if (n < 0) {
        const QString caption = GetStringValue(list, SName);
        if (!caption.isEmpty())
            AppendRow(Tree, caption);
        return;
    }
    // Rows without a caption line are skipped, so only numbers that have one are visited.
    for (const int32_t i : FindNumberedIndexes(list, SName, QStringLiteral(":0"), n)) {
        const QString caption = GetStringValue(list, RowKey(SName, i, 0));
        if (caption.isEmpty())
            continue;
        QTreeWidgetItem *item = AppendRow(Tree, caption);
        for (int j = 1; j < Tree->columnCount(); ++j)
            TListView::SetSubItem(item, j, GetStringValue(list, RowKey(SName, i, j)));
    }
}

void LoadCheckList(QListWidget *Box, const QString &Value)
{
    for (int i = 0; i < Box->count(); ++i)
        Box->item(i)->setCheckState(Qt::Unchecked);
    for (const QString &piece : Value.split(QLatin1Char(','))) {
        int32_t index = -1;
        if (!TryStrToInt(piece.trimmed(), index))
            index = -1;
        if (index >= 0 && index < Box->count())
            Box->item(index)->setCheckState(Qt::Checked);
    }
}

void LoadComboBox(QComboBox *Combo, const QString &Value)
{
    if (Combo->isEditable()) {
        Combo->setEditText(Value);
        return;
    }
    const int index = Combo->findText(Value, Qt::MatchFixedString); // letter case ignored
    if (index < 0 || index == Combo->currentIndex())
        return;
    Combo->setCurrentIndex(index);
    // The window reacts to a choice in the list, not to every change of the current item.
    Q_EMIT Combo->activated(index);
    Q_EMIT Combo->textActivated(Combo->itemText(index));
}

// The edit's date (time kind: its time of day) as a day count; UTC, so no zone rule bends it.
TDateTime EditValue(const QDateTimeEdit *Edit)
{
    return DateTimeFromQDateTime(QDateTime(Edit->date(), Edit->time(), Qt::UTC));
}

} // namespace

void SaveControl(TAppSettings &Settings, const QString &SName, QWidget *Ctrl, TDCP_cipher *Cipher)
{
    TStringList &list = Settings.Strings();
    switch (KindOf(Ctrl)) {
    case TCtrlKind::Edit: {
        const QString text = static_cast<QLineEdit *>(Ctrl)->text();
        if (Cipher)
            SetStringValue(list, SName,
                           QString::fromLatin1(TAppSettings::EncryptValue(text.toUtf8(), *Cipher)));
        else
            SetStringValue(list, SName, text);
        break;
    }
    case TCtrlKind::UpDown:
        SetIntValue(list, SName, static_cast<QSpinBox *>(Ctrl)->value());
        break;
    case TCtrlKind::CheckBox:
        SetBoolValue(list, SName, static_cast<QCheckBox *>(Ctrl)->checkState() == Qt::Checked);
        break;
    case TCtrlKind::RadioButton:
        SetBoolValue(list, SName, static_cast<QRadioButton *>(Ctrl)->isChecked());
        break;
    case TCtrlKind::ComboBox: {
        auto *combo = static_cast<QComboBox *>(Ctrl);
        if (combo->isEditable())
            SetStringValue(list, SName, combo->currentText());
        else // nothing selected: the empty text removes the line
            SetStringValue(list, SName,
                           combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex())
                                                      : QString());
        break;
    }
    case TCtrlKind::CheckListBox: {
        auto *box = static_cast<QListWidget *>(Ctrl);
        QStringList ticked;
        for (int i = 0; i < box->count(); ++i) {
            if (box->item(i)->checkState() == Qt::Checked)
                ticked.append(QString::number(i));
        }
        SetStringValue(list, SName, ticked.join(QLatin1Char(',')));
        break;
    }
    case TCtrlKind::Memo:
        Settings.SaveTextSetting(SName, MemoText(Ctrl));
        break;
    case TCtrlKind::TabControl:
        SetIntValue(list, SName, CurrentTab(Ctrl));
        break;
    case TCtrlKind::DateTimePicker: {
        auto *edit = static_cast<QDateTimeEdit *>(Ctrl);
        if (IsTimeKind(edit))
            EncodeTimeValue(list, SName, EditValue(edit));
        else
            EncodeDateValue(list, SName, EditValue(edit));
        break;
    }
    case TCtrlKind::ListView:
        SaveListViewRows(list, SName, static_cast<QTreeWidget *>(Ctrl));
        break;
    case TCtrlKind::Unknown:
        break;
    }
}

void LoadControl(TAppSettings &Settings, const QString &SName, QWidget *Ctrl, TDCP_cipher *Cipher)
{
    const TStringList &list = Settings.Strings();
    QString value;
    switch (KindOf(Ctrl)) {
    case TCtrlKind::Edit:
        if (TryGetStringValue(list, SName, value)) {
            // A value that is not enciphered passes DecryptValue unchanged; read as UTF-8 it
            // keeps every character.
            if (Cipher)
                value = QString::fromUtf8(TAppSettings::DecryptValue(value.toUtf8(), *Cipher));
            static_cast<QLineEdit *>(Ctrl)->setText(value);
        }
        break;
    case TCtrlKind::UpDown: {
        auto *spin = static_cast<QSpinBox *>(Ctrl);
        int32_t position = 0;
        if (TryGetIntValue(list, SName, position, spin->minimum(), spin->maximum()))
            spin->setValue(position);
        break;
    }
    case TCtrlKind::CheckBox: {
        bool ticked = false;
        if (TryGetBoolValue(list, SName, ticked))
            static_cast<QCheckBox *>(Ctrl)->setChecked(ticked);
        break;
    }
    case TCtrlKind::RadioButton: {
        bool selected = false;
        if (TryGetBoolValue(list, SName, selected) && selected)
            static_cast<QRadioButton *>(Ctrl)->setChecked(true);
        break;
    }
    case TCtrlKind::ComboBox:
        if (TryGetStringValue(list, SName, value))
            LoadComboBox(static_cast<QComboBox *>(Ctrl), value);
        break;
    case TCtrlKind::CheckListBox:
        if (TryGetStringValue(list, SName, value))
            LoadCheckList(static_cast<QListWidget *>(Ctrl), value);
        break;
    case TCtrlKind::Memo:
        if (Settings.TryLoadTextSetting(SName, value))
            SetMemoText(Ctrl, value);
        break;
    case TCtrlKind::TabControl: {
        const int32_t page = GetIntValueDef(list, SName, -1);
        if (page >= 0 && page < TabCount(Ctrl))
            SetCurrentTab(Ctrl, page);
        break;
    }
    case TCtrlKind::DateTimePicker: {
        auto *edit = static_cast<QDateTimeEdit *>(Ctrl);
        TDateTime stored = 0;
        if (IsTimeKind(edit)) {
            if (TryDecodeTimeValue(list, SName, stored))
                edit->setTime(QDateTimeFromDateTime(stored, Qt::UTC).time());
        } else if (TryDecodeDateValue(list, SName, stored)) {
            edit->setDate(QDateTimeFromDateTime(stored, Qt::UTC).date());
        }
        break;
    }
    case TCtrlKind::ListView:
        LoadListViewRows(Settings, SName, static_cast<QTreeWidget *>(Ctrl));
        break;
    case TCtrlKind::Unknown:
        break;
    }
}
