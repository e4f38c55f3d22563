// Stored counts far above the entries present (a hand-edited or damaged settings file) must
// load what the plain 1..count walk would load, without walking it.

#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "projects/NumberedRowIndex.h"
#include "settings/VHashedStringList.h"
#include "settings/uClasses.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Huge = QStringLiteral("2147483647");

std::unique_ptr<TVHashedStringList> ListOf(const QStringList &lines)
{
    auto lst = std::make_unique<TVHashedStringList>(256);
    lst->AddStrings(lines);
    return lst;
}

QString Names(const TCopyProjectList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.GetProject(i)->ProjectName();
    return names.join(',');
}

// Entries whose numbers the plain walk would or would not form: leading zeros, signs, zero,
// numbers past the count or past 32 bits, other letter cases, names sharing a prefix.
const QStringList OddProjectLines{
    "CopyProjects[3].ProjectName=Three",
    "CopyProjects[03].ProjectName=LeadingZero",
    "CopyProjects[0].ProjectName=Zero",
    "CopyProjects[-1].ProjectName=Negative",
    "CopyProjects[+4].ProjectName=Plus",
    "copyprojects[7].projectname=Lower",
    "CopyProjects[1].ProjectName=One",
    "CopyProjects[12].ProjectName=Twelve",
    "CopyProjects[1200].ProjectName=Far",
    "CopyProjects[2147483647].ProjectName=Last",
    "CopyProjects[2147483648].ProjectName=PastInt",
    "CopyProjects[5].ProjectName=",
    "CopyProjects[6].GroupName=NoName",
    "CopyProjects[8].ProjectNameX=Suffix",
    "CopyProjects[9]ProjectName=NoDot",
    "XCopyProjects[10].ProjectName=OtherPrefix",
    "CopyProjects[11 ].ProjectName=Blank",
    "CopyProjects[13].ProjectName",
    "CopyProjects[14].ProjectName=Fourteen",
    "CopyProjects[14].ProjectName=FourteenAgain", // the later line wins a lookup
};

TEST(HostileCountTest, ProjectCountMatchesThePlainWalk)
{
    // The plain walk, done here over a range that covers every small number present.
    auto reference = ListOf(OddProjectLines);
    TCopyProjectList walked;
    for (int i = 1; i <= 1500; ++i) {
        auto p = std::make_unique<TCopyProject>();
        if (p->LoadFromList(*reference, QString("CopyProjects[%1].").arg(i), false))
            walked.AddProject(std::move(p));
    }
    EXPECT_EQ(Names(walked), "One,Three,Lower,Twelve,FourteenAgain,Far");

    struct Case
    {
        QString count;
        QString expected;
    };
    const Case cases[] = {
        {Huge, Names(walked) + ",Last"},
        {"1500", Names(walked)},
        {"13", "One,Three,Lower,Twelve"},
        {"2", "One"},
    };
    for (const Case &c : cases) {
        auto lst = ListOf(QStringList{"CopyProjectsN=" + c.count} + OddProjectLines);
        TCopyProjectList list;
        list.LoadFromList(*lst, "CopyProjects", false);
        EXPECT_EQ(Names(list), c.expected) << c.count.toStdString();
    }
}

TEST(HostileCountTest, PatternRowCountMatchesThePlainWalk)
{
    const QStringList rowLines{
        "P.ProjectName=Site",
        "P.SourceFiles[1]=one",
        "P.SourceFiles[01]=leading-zero",
        "P.SourceFiles[0]=zero",
        "P.SourceFiles[3]=three",
        "P.SourceSubFolders[3]=yes",
        "p.sourcefiles[70]=lower",
        "P.SourceJunkPath[70]=Yes",
        "P.SourceFiles[65]=",
        "P.SourceSubFolders[66]=Yes", // flags without a pattern
        "P.SourceFiles[100000]=far",
        "P.SourceFiles[2147483647]=last",
        "P.SourceFilesX[2]=other-list",
        "Q.SourceFiles[2]=other-project",
        "P.SourceFiles[4]x=suffix",
    };
    // The plain walk over the rows, read key by key.
    auto reference = ListOf(rowLines);
    QStringList walked, walkedSub, walkedJunk;
    for (int i = 1; i <= 100000; ++i) {
        const QString pattern = GetStringValue(*reference, QString("P.SourceFiles[%1]").arg(i));
        if (pattern.isEmpty())
            continue;
        walked << pattern;
        walkedSub << (IsFlagSet(
                          GetStringValue(*reference, QString("P.SourceSubFolders[%1]").arg(i)))
                          ? "Yes"
                          : "No");
        walkedJunk << (IsFlagSet(GetStringValue(*reference, QString("P.SourceJunkPath[%1]").arg(i)))
                           ? "Yes"
                           : "No");
    }
    ASSERT_EQ(walked, QStringList({"one", "three", "lower", "far"}));

    for (const QString &count : {Huge, QString("100000"), QString("65"), QString("64")}) {
        auto lst = ListOf(QStringList{"P.SourceFilesN=" + count} + rowLines);
        TCopyProject p;
        ASSERT_TRUE(p.LoadFromList(*lst, "P.", false));
        QStringList expected = walked, expectedSub = walkedSub, expectedJunk = walkedJunk;
        if (count == Huge) {
            expected << "last";
            expectedSub << "No";
            expectedJunk << "No";
        } else if (count.toInt() < 100000) {
            const int keep = count.toInt() >= 70 ? 3 : 2;
            expected = expected.mid(0, keep);
            expectedSub = expectedSub.mid(0, keep);
            expectedJunk = expectedJunk.mid(0, keep);
        }
        EXPECT_EQ(p.SourceFiles(), expected) << count.toStdString();
        EXPECT_EQ(p.SourceSubFolders(), expectedSub) << count.toStdString();
        EXPECT_EQ(p.SourceJunkPath(), expectedJunk) << count.toStdString();
    }
}

TEST(HostileCountTest, EveryProjectOfAListKeepsItsOwnRowsUnderHugeCounts)
{
    // Project 1's rows must not pick up those of project 10 or 11 (same leading characters).
    QStringList lines{"CopyProjectsN=" + Huge};
    for (int n : {1, 10, 11}) {
        const QString p = QString("CopyProjects[%1].").arg(n);
        lines << p + "ProjectName=P" + QString::number(n) << p + "SourceFilesN=" + Huge
              << p + QString("SourceFiles[%1]=row-of-%2").arg(n * 100).arg(n)
              << p + QString("SourceFiles[%1]=first-of-%2").arg(n).arg(n);
    }
    auto lst = ListOf(lines);
    TCopyProjectList list;
    list.LoadFromList(*lst, "CopyProjects", false);
    ASSERT_EQ(Names(list), "P1,P10,P11");
    EXPECT_EQ(list.GetProject(0)->SourceFiles(), QStringList({"first-of-1", "row-of-1"}));
    EXPECT_EQ(list.GetProject(1)->SourceFiles(), QStringList({"first-of-10", "row-of-10"}));
    EXPECT_EQ(list.GetProject(2)->SourceFiles(), QStringList({"first-of-11", "row-of-11"}));
}

TEST(HostileCountTest, ConnectionCountMatchesThePlainWalk)
{
    const QStringList lines{
        "FTPConnN=" + Huge,         "FTPConn[2].ConnName=Two",  "FTPConn[02].ConnName=LeadingZero",
        "ftpconn[5].connname=Five", "FTPConn[1].Host=nameless", "FTPConn[2147483647].ConnName=Last",
        "FTPConn[0].ConnName=Zero",
    };
    auto lst = ListOf(lines);
    TFTPConnList list;
    list.LoadFromList(*lst, "FTPConn");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetConnection(0)->ConnName(), "Two");
    EXPECT_EQ(list.GetConnection(1)->ConnName(), "Five");
    EXPECT_EQ(list.GetConnection(2)->ConnName(), "Last");
}

TEST(NumberedRowIndexTest, FindsTheNumbersUnderEachLeadingPart)
{
    auto lst = ListOf({
        "A[1]=x",
        "a[3]=x",
        "A[3]=again",
        "A[2]", // no separator: no name
        "A[10]=x",
        "A[010]=x",
        "A[0]=x",
        "A[-2]=x",
        "A[]=x",
        "A[4294967297]=x",
        "A[5]x=x",
        "B[1]=x",
        "AB[6]=x",
        "A[7]=",
        "[8]=x",
    });
    TNumberedRowIndex index(*lst);
    EXPECT_EQ(index.Find("A[", 2147483647), (std::vector<int32_t>{1, 3, 7, 10}));
    EXPECT_EQ(index.Find("a[", 9), (std::vector<int32_t>{1, 3, 7}));
    EXPECT_EQ(index.Find("B[", 0), std::vector<int32_t>{});
    EXPECT_EQ(index.Find("AB[", 6), std::vector<int32_t>{6});
    EXPECT_EQ(index.Find("[", 10), std::vector<int32_t>{8});
    EXPECT_EQ(index.Find("C[", 10), std::vector<int32_t>{});
}

} // namespace
