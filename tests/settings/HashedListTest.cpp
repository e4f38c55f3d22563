#include "settings/Exception.h"
#include "settings/VHashedStringList.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts change notifications.
struct ChangeCounter
{
    int count = 0;
    void attach(TStringList &list)
    {
        list.SetOnChange([this](TStringList *) { ++count; });
    }
};

// An attached object that reports its own destruction.
class Tracked : public TObject
{
public:
    explicit Tracked(int &deaths) : FDeaths(deaths) {}
    ~Tracked() override { ++FDeaths; }

private:
    int &FDeaths;
};

std::unique_ptr<TVHashedStringList> ListOf(const QStringList &lines)
{
    auto list = std::make_unique<TVHashedStringList>(256);
    list->SetText(lines.join(QStringLiteral("\r\n")));
    return list;
}

// Every key of the tables below yields a line that really has that key, or -1 exactly when no
// line has it: a stale index entry fails this.
void ExpectIndexesAgreeWithLines(const TVHashedStringList &list, const QStringList &probes)
{
    for (const QString &probe : probes) {
        const int byName = list.IndexOfName(probe);
        bool nameExists = false;
        for (int i = 0; i < list.Count(); ++i) {
            if (list.Strings(i).contains(QLatin1Char('='))
                && list.Names(i).toUpper() == probe.toUpper())
                nameExists = true;
        }
        if (nameExists) {
            ASSERT_GE(byName, 0) << probe.toStdString();
            ASSERT_LT(byName, list.Count());
            EXPECT_TRUE(list.Strings(byName).contains(QLatin1Char('=')));
            EXPECT_EQ(list.Names(byName).toUpper(), probe.toUpper()) << probe.toStdString();
        } else {
            EXPECT_EQ(byName, -1) << probe.toStdString();
        }
    }
}

} // namespace

TEST(VStringHash, NewestEntryWinsAndDeleteTakesKeyAndValue)
{
    TVStringHash hash(4);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("k")), -1);
    hash.Add(QStringLiteral("k"), 1);
    hash.Add(QStringLiteral("k"), 2);
    hash.Add(QStringLiteral("K"), 3); // keys compare exactly
    EXPECT_EQ(hash.ValueOf(QStringLiteral("k")), 2);
    EXPECT_FALSE(hash.Delete(QStringLiteral("k"), 7));
    EXPECT_TRUE(hash.Delete(QStringLiteral("k"), 2));
    EXPECT_EQ(hash.ValueOf(QStringLiteral("k")), 1);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("K")), 3);

    hash.DecValues(1); // only values above 1 move
    EXPECT_EQ(hash.ValueOf(QStringLiteral("k")), 1);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("K")), 2);
    hash.IncValues(0);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("k")), 2);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("K")), 3);

    hash.Clear();
    EXPECT_EQ(hash.ValueOf(QStringLiteral("K")), -1);
    EXPECT_EQ(hash.BucketCount(), 4u);
}

namespace {
// Every key in one chain: lookups must still compare keys, not hashes alone.
class CollidingHash : public TVStringHash
{
public:
    using TVStringHash::TVStringHash;

protected:
    uint32_t HashOf(const QString &) const override { return 7; }
};
} // namespace

TEST(VStringHash, OverriddenHashWithCollisionsStillFindsEachKey)
{
    CollidingHash hash(16);
    for (int i = 0; i < 50; ++i)
        hash.Add(QStringLiteral("key%1").arg(i), i);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(hash.ValueOf(QStringLiteral("key%1").arg(i)), i);
    EXPECT_EQ(hash.ValueOf(QStringLiteral("key50")), -1);
}

TEST(VHashedStringList, LookupsFollowTheNameAndLineRules)
{
    auto list = ListOf({QStringLiteral("a=1"), QStringLiteral("A=2"), QStringLiteral("note"),
                        QStringLiteral("x="), QStringLiteral("left=mid=right")});
    // Equal names: after a rebuild the highest position wins.
    EXPECT_EQ(list->IndexOfName(QStringLiteral("a")), 1);
    EXPECT_EQ(list->Values(QStringLiteral("a")), QStringLiteral("2"));
    // A line without separator has no name, but is found as a whole line.
    EXPECT_EQ(list->IndexOfName(QStringLiteral("note")), -1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("NOTE")), 2);
    EXPECT_EQ(list->IndexOf(QStringLiteral("note=")), -1);
    // An empty value and an absent name both read as empty text.
    EXPECT_EQ(list->IndexOfName(QStringLiteral("x")), 3);
    EXPECT_EQ(list->IndexOfName(QStringLiteral("y")), -1);
    EXPECT_EQ(list->Values(QStringLiteral("x")), QString());
    EXPECT_EQ(list->Values(QStringLiteral("y")), QString());
    // The name ends at the first separator.
    EXPECT_EQ(list->Names(4), QStringLiteral("left"));
    EXPECT_EQ(list->Values(QStringLiteral("LEFT")), QStringLiteral("mid=right"));
    EXPECT_EQ(list->ValueFromIndex(4), QStringLiteral("mid=right"));
    // Through the general interface the same rules hold.
    const TStringList &general = *list;
    EXPECT_EQ(general.Values(QStringLiteral("Left")), QStringLiteral("mid=right"));
}

TEST(VHashedStringList, NonAsciiNamesMatchIgnoringCase)
{
    auto list = ListOf({QStringLiteral(u"Größe=1"), QStringLiteral(u"ÉTÉ=2")});
    EXPECT_EQ(list->IndexOfName(QStringLiteral(u"GRÖSSE")), -1); // no length-changing mapping
    EXPECT_EQ(list->IndexOfName(QStringLiteral(u"gröSSe")), -1);
    EXPECT_EQ(list->IndexOfName(QStringLiteral(u"GRÖßE")), 0);
    EXPECT_EQ(list->Values(QStringLiteral(u"été")), QStringLiteral("2"));
}

TEST(VHashedStringList, CaseSensitiveListComparesExactly)
{
    auto list = ListOf({QStringLiteral("a=1"), QStringLiteral("A=2")});
    EXPECT_EQ(list->IndexOfName(QStringLiteral("a")), 1);
    list->SetCaseSensitive(true); // must drop the upper-cased indexes
    EXPECT_EQ(list->IndexOfName(QStringLiteral("a")), 0);
    EXPECT_EQ(list->IndexOfName(QStringLiteral("A")), 1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("A=1")), -1);
}

TEST(VHashedStringList, DeleteKeepsIndexesValidAndShiftsPositions)
{
    auto list = ListOf({QStringLiteral("k"), QStringLiteral("m=1"), QStringLiteral("n=2")});
    list->UpdateNameHash();
    list->UpdateValueHash();
    list->Delete(0); // the deleted line has no name
    EXPECT_TRUE(list->NameHashValid());
    EXPECT_TRUE(list->ValueHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("m")), 0);
    EXPECT_EQ(list->IndexOfName(QStringLiteral("n")), 1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("n=2")), 1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("k")), -1);

    list->Delete(0); // a named line
    EXPECT_TRUE(list->NameHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("m")), -1);
    EXPECT_EQ(list->IndexOfName(QStringLiteral("n")), 0);
}

TEST(VHashedStringList, InsertBeforeTheEndInvalidatesAndRebuildShifts)
{
    auto list = ListOf({QStringLiteral("a=1"), QStringLiteral("b=2")});
    EXPECT_EQ(list->IndexOfName(QStringLiteral("b")), 1);
    EXPECT_EQ(list->IndexOf(QStringLiteral("a=1")), 0);
    list->Insert(0, QStringLiteral("c=3"));
    EXPECT_FALSE(list->NameHashValid());
    EXPECT_FALSE(list->ValueHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("b")), 2);
    EXPECT_EQ(list->IndexOfName(QStringLiteral("c")), 0);
    EXPECT_EQ(list->IndexOf(QStringLiteral("a=1")), 1);
}

TEST(VHashedStringList, AppendAndReplaceKeepValidIndexes)
{
    TVHashedStringList list(8);
    list.UpdateNameHash(); // the line index stays unbuilt until a whole-line lookup
    list.SetValue(QStringLiteral("a"), QStringLiteral("1"));
    list.Add(QStringLiteral("plain"));
    list.SetValue(QStringLiteral("b"), QStringLiteral("2"));
    list.SetValue(QStringLiteral("a"), QStringLiteral("3"));
    EXPECT_TRUE(list.NameHashValid());
    EXPECT_FALSE(list.ValueHashValid());
    EXPECT_EQ(list.Text(), QStringLiteral("a=3\r\nplain\r\nb=2\r\n"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("b")), 2);

    list.UpdateValueHash();
    list.SetStrings(1, QStringLiteral("c=4"));    // a line gains a name
    list.SetStrings(2, QStringLiteral("b-less")); // and one loses it
    EXPECT_TRUE(list.NameHashValid());
    EXPECT_TRUE(list.ValueHashValid());
    EXPECT_EQ(list.IndexOfName(QStringLiteral("c")), 1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("b")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("B-LESS")), 2);
    EXPECT_EQ(list.IndexOf(QStringLiteral("plain")), -1);
}

TEST(VHashedStringList, WritingIntoAFreshListBuildsTheNameIndexOnce)
{
    TVHashedStringList list(256);
    TStringList &general = list;
    for (int i = 1; i <= 200; ++i)
        general.SetValue(QStringLiteral("Key%1").arg(i), QStringLiteral("v"));
    for (int i = 1; i <= 200; i += 2)
        general.SetValue(QStringLiteral("KEY%1").arg(i), QStringLiteral("w")); // in place
    EXPECT_EQ(list.HashRebuilds(), 1u);
    EXPECT_TRUE(list.NameHashValid());
    EXPECT_FALSE(list.ValueHashValid()); // never asked for
    EXPECT_EQ(list.Count(), 200);
    EXPECT_EQ(list.Strings(0), QStringLiteral("KEY1=w"));
    EXPECT_EQ(list.Values(QStringLiteral("key200")), QStringLiteral("v"));
    EXPECT_EQ(list.HashRebuilds(), 1u);
}

TEST(VHashedStringList, ReplacedLineWinsOverAnOlderLineWithTheSameName)
{
    auto list = ListOf({QStringLiteral("x=0"), QStringLiteral("a=1")});
    EXPECT_EQ(list->IndexOfName(QStringLiteral("a")), 1);
    list->SetStrings(0, QStringLiteral("a=9"));
    EXPECT_EQ(list->IndexOfName(QStringLiteral("a")), 0);
    EXPECT_EQ(list->Values(QStringLiteral("a")), QStringLiteral("9"));
}

TEST(VHashedStringList, PutOfTheSameTextChangesNothing)
{
    auto list = ListOf({QStringLiteral("a=1"), QStringLiteral("b=2"), QStringLiteral("c=3"),
                        QStringLiteral("d=4")});
    list->UpdateNameHash();
    ChangeCounter changes;
    changes.attach(*list);
    list->SetStrings(3, QStringLiteral("d=4"));
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(list->NameHashValid());
    list->SetStrings(3, QStringLiteral("D=4")); // text compares case-sensitively
    EXPECT_EQ(changes.count, 1);
}

TEST(VHashedStringList, EveryModificationNotifies)
{
    TVHashedStringList list;
    ChangeCounter changes;
    changes.attach(list);
    list.Add(QStringLiteral("b=1"));
    list.Insert(0, QStringLiteral("a=1"));
    list.SetStrings(1, QStringLiteral("b=2"));
    list.Exchange(0, 1);
    list.Sort();
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(changes.count, 7);

    list.BeginUpdate();
    list.SetText(QStringLiteral("x=1\ny=2\n"));
    list.SetValue(QStringLiteral("z"), QStringLiteral("3"));
    EXPECT_EQ(changes.count, 7);
    list.EndUpdate();
    EXPECT_EQ(changes.count, 8);
    EXPECT_EQ(list.Count(), 3);
}

TEST(VHashedStringList, SetValueEmptyDeletesUnlessTheListKeepsEmptyValues)
{
    auto list = ListOf({QStringLiteral("k=5"), QStringLiteral("j=6")});
    list->SetValue(QStringLiteral("K"), QString());
    EXPECT_EQ(list->Text(), QStringLiteral("j=6\r\n"));

    list->SetKeepEmptyValues(true);
    list->SetValue(QStringLiteral("j"), QString());
    EXPECT_EQ(list->Text(), QStringLiteral("j=\r\n"));
    list->SetValue(QStringLiteral("new"), QString());
    EXPECT_EQ(list->Text(), QStringLiteral("j=\r\nnew=\r\n"));

    // The general interface deletes whatever KeepEmptyValues says.
    TStringList &general = *list;
    general.SetValue(QStringLiteral("J"), QString());
    EXPECT_EQ(list->Text(), QStringLiteral("new=\r\n"));
    // ...and replaces in place keeping the line's position.
    general.SetValue(QStringLiteral("first"), QStringLiteral("1"));
    general.SetValue(QStringLiteral("NEW"), QStringLiteral("x"));
    EXPECT_EQ(list->Text(), QStringLiteral("NEW=x\r\nfirst=1\r\n"));
}

TEST(VHashedStringList, PositionsOutsideTheListRaiseTheIndexError)
{
    auto list = ListOf({QStringLiteral("a=1")});
    ChangeCounter changes;
    changes.attach(*list);
    const struct
    {
        std::function<void()> op;
        const char *message;
    } cases[] = {
        {[&] { list->SetStrings(5, QStringLiteral("x")); }, "List index out of bounds (5)"},
        {[&] { list->Delete(-1); }, "List index out of bounds (-1)"},
        {[&] { list->Delete(1); }, "List index out of bounds (1)"},
        {[&] { (void)list->Strings(1); }, "List index out of bounds (1)"},
        {[&] { list->SetObjects(2, nullptr); }, "List index out of bounds (2)"},
        {[&] { list->Insert(3, QStringLiteral("x")); }, "List index out of bounds (3)"},
    };
    for (const auto &c : cases) {
        try {
            c.op();
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const EListError &e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
            EXPECT_STREQ(e.ClassName(), "EStringListError");
        }
    }
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(list->Text(), QStringLiteral("a=1\r\n"));
}

TEST(VHashedStringList, OwnedObjectsAreFreedOnDeleteClearReplaceAndDestruction)
{
    int deaths = 0;
    {
        TVHashedStringList list;
        list.SetOwnsObjects(true);
        list.AddObject(QStringLiteral("a"), new Tracked(deaths));
        list.AddObject(QStringLiteral("b"), new Tracked(deaths));
        list.AddObject(QStringLiteral("c"), new Tracked(deaths));
        list.AddObject(QStringLiteral("d"), new Tracked(deaths));
        list.Delete(0);
        EXPECT_EQ(deaths, 1);
        list.SetObjects(0, new Tracked(deaths)); // replaces b's object
        EXPECT_EQ(deaths, 2);
        list.SetObjects(0, list.Objects(0)); // re-attaching the same object keeps it
        EXPECT_EQ(deaths, 2);
        list.SetValueObject(QStringLiteral("C"), nullptr); // whole-line lookup, then delete
        EXPECT_EQ(deaths, 3);
        EXPECT_EQ(list.Text(), QStringLiteral("b\r\nd\r\n"));
        list.SetValueObject(QStringLiteral("e"), new Tracked(deaths));
        EXPECT_EQ(list.Count(), 3);
        EXPECT_NE(list.GetValueObject(QStringLiteral("E")), nullptr);
        EXPECT_EQ(list.GetValueObject(QStringLiteral("zz")), nullptr);
        list.Clear(); // b's replacement, d's and e's
        EXPECT_EQ(deaths, 6);
        list.AddObject(QStringLiteral("f"), new Tracked(deaths));
    }
    EXPECT_EQ(deaths, 7);

    // Without ownership nothing is freed.
    Tracked kept(deaths);
    {
        TVHashedStringList list;
        list.AddObject(QStringLiteral("a"), &kept);
        list.Delete(0);
        list.AddObject(QStringLiteral("a"), &kept);
    }
    EXPECT_EQ(deaths, 7);
}

TEST(VHashedStringList, AutoUpdateOffLeavesIndexesToTheNextLookup)
{
    auto list = ListOf({QStringLiteral("a=1")});
    list->SetAutoUpdateHash(false);
    list->UpdateNameHash();
    list->Add(QStringLiteral("b=2"));
    EXPECT_FALSE(list->NameHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("b")), 1);
    list->SetStrings(0, QStringLiteral("c=3"));
    EXPECT_FALSE(list->NameHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("c")), 0);
    list->Delete(0);
    EXPECT_FALSE(list->NameHashValid());
    EXPECT_EQ(list->IndexOfName(QStringLiteral("b")), 0);
}

TEST(VHashedStringList, LookupsFromAChangeHandlerLeaveNoStaleEntries)
{
    TVHashedStringList list;
    // A handler that reads the list during each notification rebuilds the index from the
    // already-changed lines; the incremental update must not add the same line again.
    list.SetOnChange([](TStringList *sender) { (void)sender->IndexOfName(QStringLiteral("a")); });
    list.Add(QStringLiteral("a=1"));
    list.Add(QStringLiteral("b=2"));
    list.SetStrings(0, QStringLiteral("c=1"));
    list.Delete(0);
    list.SetOnChange(nullptr);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("a")), -1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("c")), -1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("b")), 0);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("b")), -1);
}

// A long random mix of the maintained operations (append, replace, delete) and the invalidating
// ones, checked after every step against the lines themselves.
TEST(VHashedStringList, RandomEditsKeepLookupsConsistentWithTheLines)
{
    QRandomGenerator rng(12345);
    const QStringList names = {QStringLiteral("a"), QStringLiteral("B"),  QStringLiteral("c"),
                               QStringLiteral("A"), QStringLiteral("dd"), QStringLiteral("")};
    auto randomLine = [&] {
        const QString name = names[rng.bounded(int(names.size()))];
        switch (rng.bounded(4)) {
        case 0:
            return name; // no separator
        case 1:
            return name + QLatin1Char('=');
        default:
            return name + QLatin1Char('=') + QString::number(rng.bounded(3));
        }
    };
    TVHashedStringList list(3);
    int maintainedSteps = 0;
    for (int step = 0; step < 3000; ++step) {
        // Deletions dominate once the list is long, so it stays near 40 lines.
        const int op = list.Count() > 40 ? 6 + rng.bounded(2) : rng.bounded(10);
        const bool bothValid = list.NameHashValid() && list.ValueHashValid();
        if (op < 4 || list.Count() == 0) {
            list.Add(randomLine());
        } else if (op < 6) {
            list.SetStrings(rng.bounded(list.Count()), randomLine());
        } else if (op < 8) {
            list.Delete(rng.bounded(list.Count()));
        } else if (op == 8) {
            list.SetValue(names[rng.bounded(int(names.size()))],
                          rng.bounded(2) ? QString() : QStringLiteral("v"));
        } else {
            list.Insert(rng.bounded(list.Count() + 1), randomLine());
        }
        if (bothValid && op < 8 && list.NameHashValid())
            ++maintainedSteps;
        ExpectIndexesAgreeWithLines(list, names);
        for (int i = 0; i < list.Count(); ++i) {
            const int found = list.IndexOf(list.Strings(i).toLower());
            ASSERT_GE(found, 0);
            ASSERT_EQ(list.Strings(found).toUpper(), list.Strings(i).toUpper());
        }
        if (::testing::Test::HasFailure())
            FAIL() << "after step " << step << ":\n" << list.Text().toStdString();
    }
    EXPECT_GT(maintainedSteps, 1000); // most steps really ran the incremental path
}
