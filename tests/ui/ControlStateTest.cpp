#include "settings/Exception.h"
#include "settings/uAppSettings.h"
#include "ui/ControlState.h"
#include "ui/ListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString Value(const TAppSettings &settings, const QString &name)
{
    return settings.Strings().GetValue(name);
}

bool HasLine(const TAppSettings &settings, const QString &name)
{
    return settings.Strings().IndexOfName(name) >= 0;
}

// One window's worth of controls, one of each kind.
struct Panel
{
    Panel()
    {
        spin.setRange(-5, 500);
        combo.addItems(
            {QStringLiteral("Never"), QStringLiteral("Always"), QStringLiteral("Older")});
        editableCombo.setEditable(true);
        editableCombo.addItems({QStringLiteral("one"), QStringLiteral("two")});
        for (int i = 0; i < 5; ++i) {
            auto *item = new QListWidgetItem(QStringLiteral("item %1").arg(i), &checkList);
            item->setCheckState(Qt::Unchecked);
        }
        for (int i = 0; i < 4; ++i)
            tabs.addTab(new QWidget, QStringLiteral("page %1").arg(i));
        list.setColumnCount(3);
    }

    std::vector<TCtrlRec> Table(TCtrlStoreOptions secretOptions = csoEncrypted)
    {
        return {{&edit, QStringLiteral("Edit"), {}},
                {&secret, QStringLiteral("Secret"), secretOptions},
                {nullptr, QStringLiteral("Skipped"), csoEncrypted},
                {&spin, QStringLiteral("Spin"), csoEncrypted}, // the cipher is for edits only
                {&check, QStringLiteral("Check"), {}},
                {&radio, QStringLiteral("Radio"), {}},
                {&combo, QStringLiteral("Combo"), {}},
                {&editableCombo, QStringLiteral("EditCombo"), {}},
                {&checkList, QStringLiteral("CheckList"), {}},
                {&memo, QStringLiteral("Memo"), {}},
                {&tabs, QStringLiteral("Tabs"), {}},
                {&date, QStringLiteral("Date"), {}},
                {&time, QStringLiteral("Time"), {}},
                {&list, QStringLiteral("List"), {}},
                {&button, QStringLiteral("Button"), {}}};
    }

    QLineEdit edit;
    QLineEdit secret;
    QSpinBox spin;
    QCheckBox check;
    QRadioButton radio;
    QComboBox combo;
    QComboBox editableCombo;
    QListWidget checkList;
    QPlainTextEdit memo;
    QTabWidget tabs;
    QDateEdit date;
    QTimeEdit time;
    TListView list;
    QPushButton button{QStringLiteral("not stored")};
};

void Fill(Panel &p)
{
    p.edit.setText(QStringLiteral("plain=text ü"));
    p.secret.setText(QStringLiteral("s3cret: Grüße"));
    p.spin.setValue(-3);
    p.check.setChecked(true);
    p.radio.setChecked(true);
    p.combo.setCurrentIndex(2);
    p.editableCombo.setEditText(QStringLiteral("typed in"));
    p.checkList.item(0)->setCheckState(Qt::Checked);
    p.checkList.item(2)->setCheckState(Qt::Checked);
    p.memo.setPlainText(QStringLiteral("first\n\nthird"));
    p.tabs.setCurrentIndex(3);
    p.date.setDate(QDate(2024, 2, 29));
    p.time.setTime(QTime(0, 30, 45));
    QTreeWidgetItem *row = p.list.AddItem(QStringLiteral("a.txt"));
    TListView::SetSubItem(row, 1, QStringLiteral("Yes"));
    TListView::SetSubItem(row, 2, QStringLiteral("No"));
    p.list.AddItem(QStringLiteral("b.txt"));
}

} // namespace

TEST(ControlState, EveryKindRoundTripsThroughThePassphraseTables)
{
    Panel source;
    Fill(source);
    TAppSettings settings;
    SaveControls(settings, QByteArray("pass phrase"), source.Table());

    EXPECT_TRUE(Value(settings, QStringLiteral("Secret")).startsWith(QLatin1String(":$")));
    EXPECT_EQ(Value(settings, QStringLiteral("Edit")), QStringLiteral("plain=text ü"));
    EXPECT_EQ(Value(settings, QStringLiteral("Spin")), QStringLiteral("-3"));
    EXPECT_EQ(Value(settings, QStringLiteral("Combo")), QStringLiteral("Older"));
    EXPECT_EQ(Value(settings, QStringLiteral("CheckList")), QStringLiteral("0,2"));
    EXPECT_FALSE(HasLine(settings, QStringLiteral("Skipped")));
    EXPECT_FALSE(HasLine(settings, QStringLiteral("Button")));

    Panel target;
    LoadControls(settings, QByteArray("pass phrase"), target.Table());

    EXPECT_EQ(target.edit.text(), source.edit.text());
    EXPECT_EQ(target.secret.text(), source.secret.text());
    EXPECT_EQ(target.spin.value(), -3);
    EXPECT_TRUE(target.check.isChecked());
    EXPECT_TRUE(target.radio.isChecked());
    EXPECT_EQ(target.combo.currentIndex(), 2);
    EXPECT_EQ(target.editableCombo.currentText(), QStringLiteral("typed in"));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(target.checkList.item(i)->checkState(), source.checkList.item(i)->checkState());
    // Every loaded line ends in a line break, the last one included.
    EXPECT_EQ(target.memo.toPlainText(), QStringLiteral("first\n\nthird\n"));
    EXPECT_EQ(target.tabs.currentIndex(), 3);
    EXPECT_EQ(target.date.date(), QDate(2024, 2, 29));
    EXPECT_EQ(target.time.time(), QTime(0, 30, 45));
    ASSERT_EQ(target.list.ItemCount(), 2);
    EXPECT_EQ(target.list.Item(0)->text(2), QStringLiteral("No"));
    EXPECT_EQ(TListView::SubItemCount(target.list.Item(1)), 2);
}

TEST(ControlState, StoredLinesOfTheNumberedKinds)
{
    Panel p;
    Fill(p);
    TAppSettings settings;
    settings.SetPropertyDelimiter(QStringLiteral(".")); // not used by control keys
    SaveControls(settings, p.Table());

    const QStringList expected = {"Memo1=first",   "Memo3=third",   "MemoN=3",       "Tabs=3",
                                  "DateYear=2024", "DateMonth=2",   "DateDay=29",    "TimeHour=0",
                                  "TimeMinute=30", "TimeSecond=45", "List1:0=a.txt", "List1:1=Yes",
                                  "List1:2=No",    "List2:0=b.txt", "ListN=2"};
    const QStringList lines = settings.Strings().ToStringList();
    for (const QString &line : expected)
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    EXPECT_FALSE(HasLine(settings, QStringLiteral("Memo2")));
    // Without a cipher the secret edit is stored as it is.
    EXPECT_EQ(Value(settings, QStringLiteral("Secret")), QStringLiteral("s3cret: Grüße"));
}

TEST(ControlState, EncipheredEditWithWrongPassphraseOrWithoutCipher)
{
    Panel source;
    Fill(source);
    TAppSettings settings;
    SaveControls(settings, QByteArray("right"), source.Table());
    const QString stored = Value(settings, QStringLiteral("Secret"));
    EXPECT_FALSE(stored.contains(QLatin1String("s3cret")));

    Panel wrong;
    EXPECT_NO_THROW(LoadControls(settings, QByteArray("wrong"), wrong.Table()));
    EXPECT_NE(wrong.secret.text(), source.secret.text());

    // Read without a cipher, the enciphered form itself arrives.
    Panel raw;
    LoadControls(settings, raw.Table());
    EXPECT_EQ(raw.secret.text(), stored);

    // A plain value read through a cipher passes unchanged, non-ASCII text included.
    settings.Strings().SetValue(QStringLiteral("Secret"), QStringLiteral("Grüße € 漢字"));
    LoadControls(settings, QByteArray("right"), raw.Table());
    EXPECT_EQ(raw.secret.text(), QStringLiteral("Grüße € 漢字"));
}

TEST(ControlState, EmptyEditLeavesNoLineButEnciphersToSaltOnly)
{
    TAppSettings settings;
    QLineEdit empty;
    settings.Strings().SetValue(QStringLiteral("E"), QStringLiteral("old"));
    SaveControl(settings, QStringLiteral("E"), &empty);
    EXPECT_FALSE(HasLine(settings, QStringLiteral("E")));

    QLineEdit keep(QStringLiteral("unchanged"));
    LoadControl(settings, QStringLiteral("E"), &keep);
    EXPECT_EQ(keep.text(), QStringLiteral("unchanged"));

    const std::unique_ptr<TDCP_cipher> cipher = TAppSettings::MakeCipher("k");
    SaveControl(settings, QStringLiteral("E"), &empty, cipher.get());
    const QString stored = Value(settings, QStringLiteral("E"));
    EXPECT_EQ(stored.size(), 14);
    EXPECT_TRUE(stored.startsWith(QLatin1String(":$")));
    LoadControl(settings, QStringLiteral("E"), &keep, cipher.get());
    EXPECT_EQ(keep.text(), QString());
}

TEST(ControlState, DropDownComboSelectsIgnoringCaseAndReportsTheChoiceOnce)
{
    TAppSettings settings;
    QComboBox combo;
    combo.addItems({QStringLiteral("Never"), QStringLiteral("Always")});
    combo.setCurrentIndex(-1);
    settings.Strings().SetValue(QStringLiteral("C"), QStringLiteral("old"));
    SaveControl(settings, QStringLiteral("C"), &combo);
    EXPECT_FALSE(HasLine(settings, QStringLiteral("C"))); // nothing selected: line removed

    combo.setCurrentIndex(0);
    LoadControl(settings, QStringLiteral("C"), &combo);
    EXPECT_EQ(combo.currentIndex(), 0);

    QSignalSpy activated(&combo, &QComboBox::activated);
    settings.Strings().SetValue(QStringLiteral("C"), QStringLiteral("ALWAYS"));
    LoadControl(settings, QStringLiteral("C"), &combo);
    EXPECT_EQ(combo.currentIndex(), 1);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 1);
    LoadControl(settings, QStringLiteral("C"), &combo); // already selected: no second report
    settings.Strings().SetValue(QStringLiteral("C"), QStringLiteral("Sometimes"));
    LoadControl(settings, QStringLiteral("C"), &combo);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(activated.count(), 1);
}

TEST(ControlState, MalformedOrOutOfRangeLinesLeaveControlsAlone)
{
    TAppSettings settings;
    TStringList &lines = settings.Strings();
    lines.SetValue(QStringLiteral("Spin"), QStringLiteral("501"));
    lines.SetValue(QStringLiteral("Check"), QStringLiteral("yes"));
    lines.SetValue(QStringLiteral("Radio"), QStringLiteral("0"));
    lines.SetValue(QStringLiteral("Tabs"), QStringLiteral("4"));
    lines.SetValue(QStringLiteral("CheckList"), QStringLiteral(" 2 ,x,7,-1"));
    lines.SetValue(QStringLiteral("DateYear"), QStringLiteral("2020"));
    lines.SetValue(QStringLiteral("DateMonth"), QStringLiteral("13"));
    lines.SetValue(QStringLiteral("DateDay"), QStringLiteral("1"));
    lines.SetValue(QStringLiteral("TimeHour"), QStringLiteral("24"));

    Panel p;
    Fill(p);
    p.checkList.item(4)->setCheckState(Qt::Checked);
    LoadControls(settings, p.Table());

    EXPECT_EQ(p.spin.value(), -3);
    EXPECT_TRUE(p.check.isChecked());
    EXPECT_TRUE(p.radio.isChecked()); // "0" never unselects
    EXPECT_EQ(p.tabs.currentIndex(), 3);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.checkList.item(i)->checkState() == Qt::Checked, i == 2) << i;
    EXPECT_EQ(p.date.date(), QDate(2024, 2, 29));
    EXPECT_EQ(p.time.time(), QTime(0, 30, 45));
    EXPECT_EQ(p.memo.toPlainText(), QStringLiteral("first\n\nthird")); // no count line
    EXPECT_EQ(p.list.ItemCount(), 2); // no count line, no caption line
}

TEST(ControlState, DateThatFormsNoDayRaises)
{
    TAppSettings settings;
    settings.Strings().SetText(QStringLiteral("DYear=2019\nDMonth=2\nDDay=30"));
    QDateEdit date;
    try {
        LoadControl(settings, QStringLiteral("D"), &date);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to date encode"));
    }
}

TEST(ControlState, ListViewLoadAppendsSkipsEmptyCaptionsAndFitsTheColumns)
{
    TAppSettings settings;
    TListView wide;
    wide.setColumnCount(4);
    for (const char *caption : {"r1", "", "r3"}) {
        QTreeWidgetItem *row = wide.AddItem(QString::fromLatin1(caption));
        for (int j = 1; j <= 3; ++j)
            TListView::SetSubItem(row, j, QStringLiteral("s%1").arg(j));
    }
    SaveControl(settings, QStringLiteral("LV"), &wide);
    EXPECT_FALSE(HasLine(settings, QStringLiteral("LV2:0")));
    EXPECT_EQ(Value(settings, QStringLiteral("LV2:3")), QStringLiteral("s3"));

    QTreeWidget narrow; // any tree widget counts as a list view
    narrow.setColumnCount(2);
    narrow.addTopLevelItem(new QTreeWidgetItem(QStringList(QStringLiteral("kept"))));
    LoadControl(settings, QStringLiteral("LV"), &narrow);
    ASSERT_EQ(narrow.topLevelItemCount(), 3);
    EXPECT_EQ(narrow.topLevelItem(0)->text(0), QStringLiteral("kept"));
    EXPECT_EQ(narrow.topLevelItem(2)->text(0), QStringLiteral("r3"));
    EXPECT_EQ(narrow.topLevelItem(2)->columnCount(), 2);
    EXPECT_EQ(narrow.topLevelItem(2)->text(1), QStringLiteral("s1"));

    // No count line: a single caption under the name itself.
    TAppSettings single;
    single.Strings().SetValue(QStringLiteral("One"), QStringLiteral("lonely"));
    TListView view;
    LoadControl(single, QStringLiteral("One"), &view);
    ASSERT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.Item(0)->text(0), QStringLiteral("lonely"));

    // A huge hand-edited count costs only the lines present.
    single.Strings().SetValue(QStringLiteral("OneN"), QStringLiteral("2147483647"));
    single.Strings().SetValue(QStringLiteral("One99999:0"), QStringLiteral("far"));
    LoadControl(single, QStringLiteral("One"), &view);
    ASSERT_EQ(view.ItemCount(), 2);
    EXPECT_EQ(view.Item(1)->text(0), QStringLiteral("far"));
}

TEST(ControlState, RadioButtonGroupsByIndexAndByCaption)
{
    QRadioButton a(QStringLiteral("Local")), b(QStringLiteral("FTP"));
    const std::vector<QRadioButton *> group = {&a, nullptr, &b};
    TAppSettings settings;

    SaveRadioButtons(settings, group, QStringLiteral("ByIndex"), true);
    EXPECT_FALSE(HasLine(settings, QStringLiteral("ByIndex"))); // none selected
    b.setChecked(true);
    SaveRadioButtons(settings, group, QStringLiteral("ByIndex"), true);
    SaveRadioButtons(settings, group, QStringLiteral("ByCaption"), false);
    EXPECT_EQ(Value(settings, QStringLiteral("ByIndex")), QStringLiteral("2"));
    EXPECT_EQ(Value(settings, QStringLiteral("ByCaption")), QStringLiteral("FTP"));

    a.setChecked(true);
    LoadRadioButtons(settings, group, QStringLiteral("ByIndex"), true);
    EXPECT_TRUE(b.isChecked());
    a.setChecked(true);
    LoadRadioButtons(settings, group, QStringLiteral("ByCaption"), false);
    EXPECT_TRUE(b.isChecked());

    struct Case
    {
        const char *stored;
        bool byIndex;
    };
    for (const Case c : {Case{"ftp", false}, Case{"02", true}, Case{"1", true}}) {
        SCOPED_TRACE(c.stored);
        a.setChecked(true);
        settings.Strings().SetValue(QStringLiteral("R"), QString::fromLatin1(c.stored));
        LoadRadioButtons(settings, group, QStringLiteral("R"), c.byIndex);
        EXPECT_TRUE(a.isChecked());
    }

    // No line at all selects nothing, not even a button without a caption.
    QRadioButton blank;
    QRadioButton other(QStringLiteral("x"));
    other.setChecked(true);
    LoadRadioButtons(settings, {&blank, &other}, QStringLiteral("Absent"), false);
    EXPECT_TRUE(other.isChecked());
}
