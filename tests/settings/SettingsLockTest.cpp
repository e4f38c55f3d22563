// The claim on a settings file: one holder at a time, across open files and processes, and
// nothing left stuck by a holder that was killed.
#include "settings/SettingsLock.h"
#include "support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// A child process that takes the lock on Path, tells through a pipe whether it got it, and
// then waits to be killed.
struct LockingChild
{
    explicit LockingChild(const QString &Path)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        Pid = ::fork();
        if (Pid == 0) {
            ::close(fds[0]);
            TSettingsLock lock(Path);
            const char held = lock.Held() ? '1' : '0';
            (void)!::write(fds[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char answer = 0;
        if (Pid > 0 && ::read(fds[0], &answer, 1) == 1)
            Held = answer == '1';
        ::close(fds[0]);
    }
    ~LockingChild() { Kill(); }
    void Kill()
    {
        if (Pid <= 0)
            return;
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
        Pid = -1;
    }

    pid_t Pid = -1;
    bool Held = false;
};

} // namespace

TEST(SettingsLock, OneHolderAtATimeInOneProcess)
{
    TempTree tree;
    const QString settings = tree(QStringLiteral("rv.ini"));
    {
        TSettingsLock first(settings);
        EXPECT_TRUE(first.Held());
        EXPECT_TRUE(QFile::exists(TSettingsLock::LockPath(settings)));
        // Another open of the same file in the same process is another holder.
        TSettingsLock second(settings);
        EXPECT_FALSE(second.Held());
        // Another settings file is another lock.
        EXPECT_TRUE(TSettingsLock(tree(QStringLiteral("other.ini"))).Held());
    }
    // Released with its holder.
    EXPECT_TRUE(TSettingsLock(settings).Held());
}

TEST(SettingsLock, AnotherProcessHoldsItUntilItIsKilled)
{
    TempTree tree;
    const QString settings = tree(QStringLiteral("rv.ini"));
    LockingChild child(settings);
    ASSERT_GT(child.Pid, 0);
    ASSERT_TRUE(child.Held);
    EXPECT_FALSE(TSettingsLock(settings).Held());
    // A holder that crashes leaves no stale claim: the lock file stays, the lock does not.
    child.Kill();
    EXPECT_TRUE(QFile::exists(TSettingsLock::LockPath(settings)));
    EXPECT_TRUE(TSettingsLock(settings).Held());

    // And the other way round: while this process holds it, a child cannot take it.
    TSettingsLock mine(settings);
    ASSERT_TRUE(mine.Held());
    LockingChild refused(settings);
    ASSERT_GT(refused.Pid, 0);
    EXPECT_FALSE(refused.Held);
}

// A program the holder starts (a file manager for "Explore") gets no share of the lock: once
// the holder lets go, the file is free although that program still runs.
TEST(SettingsLock, AProgramStartedByTheHolderDoesNotKeepIt)
{
    TempTree tree;
    const QString settings = tree(QStringLiteral("rv.ini"));
    pid_t started = -1;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    {
        TSettingsLock lock(settings);
        ASSERT_TRUE(lock.Held());
        // The program says so once it runs, that is once its start has closed what it does not
        // inherit.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], 1);
        char shell[] = "sh";
        char command[] = "-c";
        char script[] = "echo ready; exec sleep 60";
        char *argv[] = {shell, command, script, nullptr};
        ASSERT_EQ(::posix_spawnp(&started, "sh", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ::close(ready[1]);
    char answer[6] = {};
    EXPECT_EQ(::read(ready[0], answer, 5), 5);
    ::close(ready[0]);
    EXPECT_TRUE(TSettingsLock(settings).Held());
    ::kill(started, SIGKILL);
    ::waitpid(started, nullptr, 0);
}

TEST(SettingsLock, AFolderWithoutWriteAccessIsNoClaimOfAnother)
{
    // Whoever cannot make the lock file cannot save there either; the window still opens.
    EXPECT_TRUE(TSettingsLock(QStringLiteral("/proc/rovanel-no-such-folder/rv.ini")).Held());
}
