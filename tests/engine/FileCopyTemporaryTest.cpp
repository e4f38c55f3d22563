// Temporaries that a killed copy left beside its target.
#include "engine/FileCopy.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

// A process id that no process has: the kernel hands out ids below pid_max only.
long deadPid()
{
    long pidMax = 4194304;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
    return pidMax;
}

QString temporaryFor(const QString &target, long pid, const QString &number)
{
    return QLatin1Char('.') + target + QLatin1Char('.') + QString::number(pid) + QLatin1Char('.')
           + number + QStringLiteral(".rvtmp");
}

TEST(FileCopyTemporaries, LeftoversOfGoneWritersOfTheTargetAreRemovedOnItsNextCopy)
{
    TempTree tree;
    const QString src = tree.write(QStringLiteral("src/a.txt"), "new");
    const long dead = deadPid();
    const long self = long(getpid());
    const QStringList removed = {
        temporaryFor(QStringLiteral("a.txt"), dead, QStringLiteral("0")),
        temporaryFor(QStringLiteral("a.txt"), dead, QStringLiteral("17")),
        // This process's own number space, with a number it is not writing now: left by an
        // earlier process that had the same id.
        temporaryFor(QStringLiteral("a.txt"), self, QStringLiteral("4000000000")),
    };
    const QStringList kept = {
        // A live writer (init never goes away).
        temporaryFor(QStringLiteral("a.txt"), 1, QStringLiteral("0")),
        // Another target's temporary, and names that only look alike.
        temporaryFor(QStringLiteral("b.txt"), dead, QStringLiteral("0")),
        temporaryFor(QStringLiteral("a.txt.x"), dead, QStringLiteral("0")),
        temporaryFor(QStringLiteral("a.txt"), dead, QStringLiteral("0")) + QStringLiteral(".bak"),
        temporaryFor(QStringLiteral("a.txt"), dead, QStringLiteral("x")),
        temporaryFor(QStringLiteral("a.txt"), dead, QStringLiteral("07")),
        QStringLiteral(".a.txt.") + QString::number(dead) + QStringLiteral(".rvtmp"),
        QStringLiteral("a.txt.") + QString::number(dead) + QStringLiteral(".0.rvtmp"),
    };
    for (const QString &name : removed + kept)
        tree.write(QStringLiteral("out/") + name, "left over");
    tree.write(QStringLiteral("out/a.txt"), "old");

    QString why;
    ASSERT_TRUE(CopyFileKeepingTime(src, tree(QStringLiteral("out/a.txt")), false, &why))
        << why.toStdString();

    EXPECT_EQ(tree.read(QStringLiteral("out/a.txt")), QByteArray("new"));
    QStringList expected = kept;
    expected.append(QStringLiteral("a.txt"));
    expected.sort();
    QStringList present = QDir(tree(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden);
    present.sort();
    EXPECT_EQ(present.join(QLatin1Char('\n')).toStdString(),
              expected.join(QLatin1Char('\n')).toStdString());
}

TEST(FileCopyTemporaries, LeftoverOfAGoneWriterIsRemovedAlsoWhenTheTargetIsNew)
{
    TempTree tree;
    const QString src = tree.write(QStringLiteral("src/n.bin"), "n");
    const QString leftover = temporaryFor(QStringLiteral("n.bin"), deadPid(), QStringLiteral("3"));
    tree.write(QStringLiteral("out/") + leftover, "half");

    ASSERT_TRUE(CopyFileKeepingTime(src, tree(QStringLiteral("out/n.bin")), false));

    EXPECT_FALSE(tree.exists(QStringLiteral("out/") + leftover));
    EXPECT_EQ(tree.read(QStringLiteral("out/n.bin")), QByteArray("n"));
}

} // namespace
