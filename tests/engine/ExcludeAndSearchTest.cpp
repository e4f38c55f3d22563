// Exclude wildcards as regular expressions, and the platform folder search.
#include "engine/ExcludeMasks.h"
#include "engine/FileSearch.h"
#include "support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ExcludeCase
{
    const char *Mask;
    const char *Name;
    bool Excluded;
};

class ExcludeMaskTest : public ::testing::TestWithParam<ExcludeCase>
{};

TEST_P(ExcludeMaskTest, MatchesWholeNamesIgnoringCase)
{
    TExcludeList excludes;
    AddExcludeMask(QString::fromUtf8(GetParam().Mask), excludes);
    EXPECT_EQ(IsExcluded(QString::fromUtf8(GetParam().Name), &excludes), GetParam().Excluded)
        << GetParam().Mask << " vs " << GetParam().Name << " as "
        << excludes.Texts().first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExcludeMaskTest,
    ::testing::Values(ExcludeCase{"*.tmp", "a.TMP", true}, ExcludeCase{"*.TMP", "a.tmp", true},
                      ExcludeCase{"*.tmp", "a.tmp.bak", false}, ExcludeCase{"*.tmp", ".tmp", true},
                      ExcludeCase{"cache", "Cache", true}, ExcludeCase{"cache", "cache2", false},
                      ExcludeCase{"cache", "my cache", false}, ExcludeCase{"a?c", "abc", true},
                      ExcludeCase{"a?c", "ac", false}, ExcludeCase{"a?c", "abbc", false},
                      // Doubled wildcards stand for themselves.
                      ExcludeCase{"a**b", "a*b", true}, ExcludeCase{"a**b", "axb", false},
                      ExcludeCase{"a??b", "a?b", true}, ExcludeCase{"a??b", "axyb", false},
                      ExcludeCase{"a***", "a*xyz", true}, ExcludeCase{"a***", "abc", false},
                      // Blanks are kept.
                      ExcludeCase{" *.bak", " x.bak", true}, ExcludeCase{" *.bak", "x.bak", false},
                      // Characters that mean something to regular expressions mean themselves.
                      ExcludeCase{"a.b", "axb", false}, ExcludeCase{"a.b", "A.B", true},
                      ExcludeCase{"(x)+[y]{2}|^$\\", "(x)+[y]{2}|^$\\", true},
                      ExcludeCase{"(x)+", "xx", false}, ExcludeCase{"ü*", "Über.txt", true}));

TEST(ExcludeMasks, ExpressionTextsFollowTheEscapingRules)
{
    TExcludeList excludes;
    AddExcludeMask(QStringLiteral("*.tmp"), excludes);
    AddExcludeMask(QStringLiteral("a**?"), excludes);
    EXPECT_EQ(excludes.Texts(), (QStringList{"^(.*)\\.tmp$", "^a\\*(.)$"}));
}

TEST(ExcludeMasks, NoListExcludesNothingAndANameWithALineFeedIsNotCut)
{
    EXPECT_FALSE(IsExcluded(QStringLiteral("a"), nullptr));
    TExcludeList excludes;
    AddExcludeMask(QStringLiteral("a"), excludes);
    EXPECT_FALSE(IsExcluded(QStringLiteral("a\n"), &excludes));
}

struct WildcardCase
{
    const char *Name;
    const char *Pattern;
    bool Matches;
};

class WildcardTest : public ::testing::TestWithParam<WildcardCase>
{};

TEST_P(WildcardTest, FollowsTheSearchRules)
{
    EXPECT_EQ(
        MatchesWildcard(QString::fromUtf8(GetParam().Name), QString::fromUtf8(GetParam().Pattern)),
        GetParam().Matches)
        << GetParam().Name << " ~ " << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildcardTest,
    ::testing::Values(WildcardCase{"ABC.txt", "*.TXT", true}, WildcardCase{"noext", "*.*", true},
                      WildcardCase{"noext", "*", true}, WildcardCase{"abc", "a?c", true},
                      WildcardCase{"ac", "a?c", false}, WildcardCase{"abcd", "*c", false},
                      WildcardCase{"a.b.c", "*.c", true}, WildcardCase{"aXbXc", "a*b*c", true},
                      WildcardCase{"abcb", "a*b", true}, WildcardCase{"abc", "abc*", true},
                      WildcardCase{"ÄÖ.TXT", "äö.txt", true}, WildcardCase{"abc", "abd", false}));

TEST(FindEntries, ListsSortedByUpperCaseNameAndLeavesOutHiddenAndSystemEntries)
{
    TempTree tree;
    for (const char *name : {"b.txt", "A.txt", "_z.txt", "C.txt", ".hidden.txt"})
        tree.write(QStringLiteral("d/") + QString::fromLatin1(name));
    tree.mkdir(QStringLiteral("d/folder.txt"));
    tree.mkdir(QStringLiteral("d/.git"));
    const QByteArray d = QFile::encodeName(tree(QStringLiteral("d")));
    ASSERT_EQ(mkfifo((d + "/fifo.txt").constData(), 0644), 0);
    ASSERT_EQ(symlink("/nonexistent/target", (d + "/dangling.txt").constData()), 0);
    ASSERT_EQ(symlink((d + "/b.txt").constData(), (d + "/link.txt").constData()), 0);
    ASSERT_EQ(symlink((d + "/folder.txt").constData(), (d + "/linkdir.txt").constData()), 0);

    QStringList files;
    for (const TSearchEntry &e : FindEntries(tree(QStringLiteral("d/*.TXT")), TSearchKind::Files))
        files.append(e.Name);
    // Upper-case folding puts "_" (after "Z") behind the letters, as NTFS lists it.
    EXPECT_EQ(files, (QStringList{"A.txt", "b.txt", "C.txt", "link.txt", "_z.txt"}));

    QStringList folders;
    for (const TSearchEntry &e : FindEntries(tree(QStringLiteral("d/*")), TSearchKind::Folders))
        folders.append(e.Name);
    EXPECT_EQ(folders, (QStringList{"folder.txt", "linkdir.txt"}));
}

TEST(FindEntries, MissingFolderOrEmptyPatternListsNothing)
{
    TempTree tree;
    EXPECT_TRUE(FindEntries(tree(QStringLiteral("missing/*")), TSearchKind::Files).empty());
    tree.write(QStringLiteral("x"));
    EXPECT_TRUE(
        FindEntries(tree(QStringLiteral("")) + QStringLiteral("/"), TSearchKind::Files).empty());
}

} // namespace
