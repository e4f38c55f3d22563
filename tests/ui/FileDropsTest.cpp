#include "UiTestSupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window that registers its file table and its file-name edit when created, as the dialogs
// of the program do.
class DropForm : public TestForm
{
public:
    DropForm()
    {
        auto *layout = new QVBoxLayout(this);
        Table = MakeListView(this, 3, false);
        Edit = new QLineEdit(this);
        Plain = new QLineEdit(this);
        layout->addWidget(Table);
        layout->addWidget(Edit);
        layout->addWidget(Plain);
        EnableDroppingFile(Table);
        EnableDroppingFile(Edit);
    }

    TListView *Table;
    QLineEdit *Edit;
    QLineEdit *Plain; // never registered
};

// Sees what reaches the control past the handlers in front of it.
class Probe : public QObject
{
public:
    int drops = 0;
    int drags = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Drop)
            ++drops;
        else if (event->type() == QEvent::DragEnter)
            ++drags;
        return false;
    }
};

QWidget *Target(QWidget *control)
{
    return TWinProcHandler::EventTarget(control);
}

// Drags the data onto the widget and drops it there, as the window system delivers it.
bool Drop(QWidget *target, QMimeData *data)
{
    const QPoint pos = target->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool DropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    return Drop(target, &data);
}

QStringList Captions(const TListView *view)
{
    QStringList captions;
    for (const QStringList &row : Rows(view))
        captions.append(row.first());
    return captions;
}

const QStringList kThree = {QStringLiteral("/src/b.txt"), QStringLiteral("/src/a b/ä.txt"),
                            QStringLiteral("/other/c.txt")};

} // namespace

TEST(FileDrops, ListViewGetsOneRowPerFileInDropOrder)
{
    DropForm form;
    form.show();
    int added = 0;
    form.SetOnInputFileItemAdded([&](TListView *, const QString &, QTreeWidgetItem *item) {
        TListView::SetSubItem(item, 1, QStringLiteral("No"));
        ++added;
    });

    EXPECT_TRUE(DropFiles(Target(form.Table), kThree));

    EXPECT_EQ(Captions(form.Table), kThree);
    EXPECT_EQ(added, 3);
    EXPECT_EQ(form.Table->Item(2)->text(1), QStringLiteral("No"));
}

TEST(FileDrops, EditKeepsTheLastFileStrippedOfTheFolder)
{
    DropForm form;
    form.SetInputFileStripDir(QStringLiteral("/SRC"));
    form.show();

    EXPECT_TRUE(DropFiles(Target(form.Edit),
                          {QStringLiteral("/src/one.txt"), QStringLiteral("/src/sub/two.txt")}));
    EXPECT_EQ(form.Edit->text(), QStringLiteral("sub/two.txt"));

    EXPECT_TRUE(DropFiles(Target(form.Edit), {QStringLiteral("/elsewhere/x")}));
    EXPECT_EQ(form.Edit->text(), QStringLiteral("/elsewhere/x"));
}

TEST(FileDrops, DropsArriveOnlyAfterShowingAndOnlyOnRegisteredControls)
{
    DropForm form;
    DropFiles(Target(form.Table), {QStringLiteral("/early")});
    EXPECT_EQ(form.Table->ItemCount(), 0);

    form.show();
    form.Plain->setAcceptDrops(true);
    DropFiles(Target(form.Plain), {QStringLiteral("/nowhere")});
    EXPECT_EQ(form.Plain->text(), QString());

    // Registered while showing: armed at once.
    form.EnableDroppingFile(form.Plain);
    EXPECT_TRUE(DropFiles(Target(form.Plain), {QStringLiteral("/late")}));
    EXPECT_EQ(form.Plain->text(), QStringLiteral("/late"));
}

TEST(FileDrops, AReopenedWindowRegisteredTwiceHandlesEachDropOnce)
{
    DropForm form;
    form.EnableDroppingFile(form.Table); // second registration: no effect
    Probe probe;
    Target(form.Table)->installEventFilter(&probe);
    int offered = 0;
    form.SetOnAddInputFile([&](TListView *, const QString &, bool &) { ++offered; });

    for (int i = 0; i < 4; ++i) {
        form.show();
        form.hide();
    }
    form.show();
    EXPECT_TRUE(DropFiles(Target(form.Table), {QStringLiteral("/one")}));

    EXPECT_EQ(offered, 1);
    EXPECT_EQ(Captions(form.Table), QStringList(QStringLiteral("/one")));
    EXPECT_EQ(probe.drops, 0); // handled: neither older filters nor the view saw it
    EXPECT_EQ(probe.drags, 0);
}

TEST(FileDrops, OtherDragsGoOnToTheControl)
{
    DropForm form;
    form.show();
    Probe probe;
    Target(form.Edit)->installEventFilter(&probe);

    // Plain text is the edit's own business: it takes the drop and inserts the text.
    QMimeData text;
    text.setText(QStringLiteral("typed"));
    EXPECT_TRUE(Drop(Target(form.Edit), &text));
    EXPECT_EQ(form.Edit->text(), QStringLiteral("typed"));
    // Links that are no local files are not offered as file names either.
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.invalid/x.txt"))});
    Drop(Target(form.Edit), &remote);

    EXPECT_EQ(probe.drags, 2);
    EXPECT_EQ(probe.drops, 1);
    EXPECT_EQ(form.Edit->text(), QStringLiteral("typed"));
}

TEST(FileDrops, EventsDecideWhatBecomesOfADroppedName)
{
    DropForm form;
    form.show();
    form.SetOnAddInputFile([](TListView *, const QString &name, bool &handled) {
        handled = name.endsWith(QLatin1String(".bak"));
    });
    form.SetOnSetInputFile([](QLineEdit *, const QString &, bool &handled) { handled = true; });

    EXPECT_TRUE(DropFiles(Target(form.Table), {QStringLiteral("/a.bak"), QStringLiteral("/b")}));
    EXPECT_TRUE(DropFiles(Target(form.Edit), {QStringLiteral("/c")}));
    EXPECT_EQ(Captions(form.Table), QStringList(QStringLiteral("/b")));
    EXPECT_EQ(form.Edit->text(), QString());
}

TEST(FileDrops, DestroyingTheWindowGivesControlsBackTheirEvents)
{
    QWidget host;
    auto *outside = new QLineEdit(&host);
    auto *doomed = new QLineEdit(&host);
    Probe probe;
    outside->installEventFilter(&probe);

    auto form = std::make_unique<DropForm>();
    form->EnableDroppingFile(outside);
    form->EnableDroppingFile(doomed);
    form->show();
    form->hide();
    form->show();
    DropFiles(outside, {QStringLiteral("/while/open")});
    EXPECT_EQ(outside->text(), QStringLiteral("/while/open"));
    EXPECT_EQ(probe.drags, 0);
    EXPECT_EQ(probe.drops, 0);

    delete doomed; // a control may go before the window does
    form.reset();

    // The edit itself takes no file links: it sees the drag, declines it, and keeps its text.
    outside->setText(QString());
    EXPECT_FALSE(DropFiles(outside, {QStringLiteral("/after/close")}));
    EXPECT_EQ(probe.drags, 1);
    EXPECT_EQ(outside->text(), QString());
}

TEST(FileDrops, SubClassChainsOfferEventsNewestFirstAndUnwindOnDestruction)
{
    QLineEdit edit;
    edit.setAcceptDrops(true);
    std::vector<int> order;
    {
        TestForm form;
        form.SubClass(&edit, [&](QWidget *, TWinProcHandler *handler, QEvent *e) {
            if (e->type() == QEvent::DragEnter)
                order.push_back(handler->NextHandler() ? 2 : 1);
            return false;
        });
        form.SubClass(&edit, [&](QWidget *, TWinProcHandler *handler, QEvent *e) {
            if (e->type() == QEvent::DragEnter)
                order.push_back(handler->NextHandler() ? 2 : 1);
            return false;
        });
        DropFiles(&edit, {QStringLiteral("/x")});
        EXPECT_EQ(order, (std::vector<int>{2, 1}));
    }
    order.clear();
    DropFiles(&edit, {QStringLiteral("/x")});
    EXPECT_TRUE(order.empty());
}
