#include "ftp/FTPConnUnit.h"
#include "settings/Exception.h"
#include "settings/VHashedStringList.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TVHashedStringList> ListOf(const QStringList &lines)
{
    auto lst = std::make_unique<TVHashedStringList>(256);
    lst->AddStrings(lines);
    return lst;
}

std::unique_ptr<TFTPConnection> MakeConn(const QString &name)
{
    auto c = std::make_unique<TFTPConnection>();
    c->SetConnName(name);
    return c;
}

QString Names(const TFTPConnList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.GetConnection(i)->ConnName();
    return names.join(',');
}

// Loads one connection stored under "C." from the given lines (the name line is added).
TFTPConnection LoadOne(const QStringList &lines)
{
    auto lst = ListOf(QStringList{"C.ConnName=X"} + lines);
    TFTPConnection c;
    EXPECT_TRUE(c.LoadFromList(*lst, "C."));
    return c;
}

TEST(FTPConnectionTest, ClearedRecordAndCopies)
{
    TFTPConnection c;
    EXPECT_EQ(c.Port(), 21);
    EXPECT_EQ(c.UseTLS(), utNoTLSSupport);

    c.SetConnName("Server");
    c.SetHost("127.0.0.1");
    c.SetPort(2121);
    c.SetUseTLS(utUseRequireTLS);
    c.SetUserName("u");
    c.SetPassword("p");
    c.SetAskPassword(true);
    c.SetRememberPassword(true);
    c.SetLoggedIn(true);

    TFTPConnection copy(&c);
    EXPECT_EQ(copy.ConnName(), "Server");
    EXPECT_EQ(copy.Host(), "127.0.0.1");
    EXPECT_EQ(copy.Port(), 2121);
    EXPECT_EQ(copy.UseTLS(), utUseRequireTLS);
    EXPECT_EQ(copy.UserName(), "u");
    EXPECT_EQ(copy.Password(), "p");
    EXPECT_TRUE(copy.AskPassword());
    EXPECT_TRUE(copy.RememberPassword());
    EXPECT_TRUE(copy.LoggedIn()); // Assign copies LoggedIn too

    c.Clear();
    EXPECT_TRUE(c.ConnName().isEmpty());
    EXPECT_EQ(c.Port(), 21);
    EXPECT_EQ(c.UseTLS(), utNoTLSSupport);
    EXPECT_FALSE(c.AskPassword());
    EXPECT_FALSE(c.RememberPassword());
    EXPECT_FALSE(c.LoggedIn());

    TFTPConnection fromNone(static_cast<const TFTPConnection *>(nullptr));
    EXPECT_EQ(fromNone.Port(), 21);
}

TEST(FTPConnectionStoreTest, SavedLinesInOrderWithoutEmptyTexts)
{
    TFTPConnList list;
    auto full = MakeConn("Server");
    full->SetHost("ftp.example.test");
    full->SetPort(990);
    full->SetUseTLS(utUseImplicitTLS);
    full->SetUserName("web");
    full->SetPassword(" p=ss word ");
    full->SetAskPassword(true);
    full->SetLoggedIn(true);
    list.AddConnection(std::move(full));
    list.AddConnection(MakeConn("Bare"));

    TVHashedStringList lst(256);
    list.SaveToList(lst, "FTPConn");
    const QStringList expected{
        "FTPConnN=2",
        "FTPConn[1].ConnName=Server",
        "FTPConn[1].Host=ftp.example.test",
        "FTPConn[1].Port=990",
        "FTPConn[1].UseTLS=1",
        "FTPConn[1].UserName=web",
        "FTPConn[1].Password= p=ss word ",
        "FTPConn[1].AskPassword=1",
        "FTPConn[1].RememberPassword=0",
        "FTPConn[2].ConnName=Bare",
        "FTPConn[2].Port=21",
        "FTPConn[2].UseTLS=0",
        "FTPConn[2].AskPassword=0",
        "FTPConn[2].RememberPassword=0",
    };
    EXPECT_EQ(lst.ToStringList(), expected);

    TFTPConnList loaded;
    loaded.LoadFromList(lst, "FTPConn");
    ASSERT_EQ(loaded.Count(), 2);
    const TFTPConnection *c = loaded.GetConnection(0);
    EXPECT_EQ(c->Host(), "ftp.example.test");
    EXPECT_EQ(c->Port(), 990);
    EXPECT_EQ(c->UseTLS(), utUseImplicitTLS);
    EXPECT_EQ(c->Password(), " p=ss word "); // unchanged, blanks and "=" included
    EXPECT_TRUE(c->AskPassword());
    EXPECT_FALSE(c->LoggedIn()); // never stored
}

TEST(FTPConnectionStoreTest, OddStoredValuesFallBack)
{
    struct Case
    {
        const char *line;
        int port;
        TIdUseTLS tls;
        bool ask;
    };
    const Case cases[] = {
        {"C.UseTLS=7", 21, utNoTLSSupport, false},
        {"C.UseTLS=abc", 21, utNoTLSSupport, false},
        {"C.UseTLS=-1", 21, utNoTLSSupport, false},
        {"C.UseTLS=2", 21, utUseRequireTLS, false},
        {"C.UseTLS=3", 21, utUseExplicitTLS, false},
        {"C.Port=abc", 21, utNoTLSSupport, false},
        {"C.Port=", 21, utNoTLSSupport, false},
        {"C.Port=2121", 2121, utNoTLSSupport, false},
        {"C.Port=70000", 70000, utNoTLSSupport, false}, // kept; the session uses the low 16 bits
        {"C.AskPassword=true", 21, utNoTLSSupport, false},
        {"C.AskPassword=1", 21, utNoTLSSupport, true},
    };
    for (const Case &c : cases) {
        TFTPConnection conn = LoadOne({c.line});
        EXPECT_EQ(conn.Port(), c.port) << c.line;
        EXPECT_EQ(conn.UseTLS(), c.tls) << c.line;
        EXPECT_EQ(conn.AskPassword(), c.ask) << c.line;
    }

    // An unknown TLS code is written back as "0".
    TFTPConnection conn = LoadOne({"C.UseTLS=7", "C.RememberPassword=yes"});
    EXPECT_FALSE(conn.RememberPassword());
    TVHashedStringList lst(256);
    conn.SaveToList(lst, "C.");
    EXPECT_EQ(lst.Values("C.UseTLS"), "0");
}

TEST(FTPConnectionStoreTest, SimultaneousTransfersAreStoredOnlyWhenNotOne)
{
    const struct
    {
        const char *line;
        int transfers;
    } cases[] = {
        {"C.Port=21", 1}, // a record written before the setting existed
        {"C.SimultaneousTransfers=4", 4},
        {"C.SimultaneousTransfers=10", 10},
        {"C.SimultaneousTransfers=11", 10},
        {"C.SimultaneousTransfers=0", 1},
        {"C.SimultaneousTransfers=-3", 1},
        {"C.SimultaneousTransfers=many", 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LoadOne({c.line}).SimultaneousTransfers(), c.transfers) << c.line;

    TFTPConnection conn = LoadOne({"C.SimultaneousTransfers=4"});
    TVHashedStringList lst(256);
    conn.SaveToList(lst, "C.");
    EXPECT_EQ(lst.Values("C.SimultaneousTransfers"), "4");
    // Back to one: the line goes, and the record reads as one written before the setting.
    conn.SetSimultaneousTransfers(1);
    conn.SaveToList(lst, "C.");
    EXPECT_FALSE(lst.ToStringList().join('\n').contains("SimultaneousTransfers"));
}

TEST(FTPConnectionStoreTest, RecordWithoutNameIsSkippedAndChangesNothing)
{
    auto lst = ListOf({"FTPConnN=3", "FTPConn[1].ConnName=A", "FTPConn[2].Host=h",
                       "FTPConn[3].ConnName=C", "FTPConn[3].Host=c.test"});
    TFTPConnList list;
    list.LoadFromList(*lst, "FTPConn");
    EXPECT_EQ(Names(list), "A,C");
    EXPECT_EQ(list.GetConnection(1)->Host(), "c.test");

    TFTPConnection existing;
    existing.SetHost("kept");
    existing.SetLoggedIn(true);
    EXPECT_FALSE(existing.LoadFromList(*lst, "FTPConn[2]."));
    EXPECT_EQ(existing.Host(), "kept");

    // A successful load keeps LoggedIn as it was.
    EXPECT_TRUE(existing.LoadFromList(*lst, "FTPConn[3]."));
    EXPECT_EQ(existing.Host(), "c.test");
    EXPECT_TRUE(existing.LoggedIn());
}

TEST(FTPConnectionStoreTest, LoadingTwiceDoublesAndBadCountsLoadNothing)
{
    auto lst = ListOf({"FTPConnN=2", "FTPConn[1].ConnName=A", "FTPConn[2].ConnName=B"});
    TFTPConnList list;
    list.LoadFromList(*lst, "FTPConn");
    list.LoadFromList(*lst, "FTPConn");
    EXPECT_EQ(Names(list), "A,B,A,B");

    for (const char *count : {"", "x", "-2", "0"}) {
        auto bad = ListOf({QString("FTPConnN=%1").arg(count), "FTPConn[1].ConnName=A"});
        TFTPConnList empty;
        empty.LoadFromList(*bad, "FTPConn");
        EXPECT_EQ(empty.Count(), 0) << count;
    }
}

class ConnListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"A", "B", "C", "D"})
            list.AddConnection(MakeConn(name));
    }
    TFTPConnection *C(const QString &name) { return list.FindConnection(name); }

    TFTPConnList list;
};

TEST_F(ConnListTest, FindConnectionComparesNamesExactly)
{
    list.AddConnection(MakeConn("Server"));
    list.AddConnection(MakeConn("Server")); // the first one wins
    EXPECT_EQ(list.FindConnection("Server"), list.GetConnection(4));
    EXPECT_EQ(list.FindConnection("server"), nullptr);
    EXPECT_EQ(list.FindConnection("Server "), nullptr);
    EXPECT_EQ(list.FindConnection(""), nullptr);
}

TEST_F(ConnListTest, IndexesAndIdentity)
{
    EXPECT_EQ(list.ConnectionIndex(C("C")), 2);
    TFTPConnection stranger;
    EXPECT_EQ(list.ConnectionIndex(&stranger), -1);
    EXPECT_EQ(list.AddConnection(nullptr), -1);
    EXPECT_EQ(list.Count(), 4);
    try {
        list.GetConnection(4);
        ADD_FAILURE() << "no error";
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (4)");
    }
}

TEST(ConnListMoveTest, MoveConnectionTakesTheTargetsPosition)
{
    struct Case
    {
        const char *move, *to, *order;
    };
    const Case cases[] = {
        {"A", "C", "B,C,A,D"}, {"D", "B", "A,D,B,C"}, {"B", "B", "A,B,C,D"},
        {"A", "D", "B,C,D,A"}, {"A", "?", "A,B,C,D"}, // target not in the list
    };
    for (const Case &c : cases) {
        TFTPConnList list;
        for (const char *name : {"A", "B", "C", "D"})
            list.AddConnection(MakeConn(name));
        list.MoveConnection(list.FindConnection(c.move), list.FindConnection(c.to));
        EXPECT_EQ(Names(list), c.order) << c.move << " to " << c.to;
    }
}

TEST_F(ConnListTest, ReplaceAndRemove)
{
    auto replacement = MakeConn("N");
    ASSERT_TRUE(list.ReplaceConnection(C("B"), replacement));
    EXPECT_EQ(replacement, nullptr);
    EXPECT_EQ(Names(list), "A,N,C,D");

    TFTPConnection stranger;
    auto kept = MakeConn("K");
    EXPECT_FALSE(list.ReplaceConnection(&stranger, kept));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->ConnName(), "K");

    list.RemoveConnection(C("A"));
    list.RemoveConnection(&stranger);
    EXPECT_EQ(Names(list), "N,C,D");
}

TEST_F(ConnListTest, AssignMakesAnIndependentCopy)
{
    C("A")->SetPassword("secret");
    TFTPConnList copy;
    copy.AddConnection(MakeConn("old"));
    copy.Assign(list);
    EXPECT_EQ(Names(copy), "A,B,C,D");
    EXPECT_NE(copy.GetConnection(0), list.GetConnection(0));
    EXPECT_EQ(copy.GetConnection(0)->Password(), "secret");

    copy.GetConnection(0)->SetPassword("changed");
    EXPECT_EQ(C("A")->Password(), "secret");
}

} // namespace
