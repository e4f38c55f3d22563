// The lock that makes read-change-write of a shared file one step among programs.
#include "settings/FileUpdateLock.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

// flock(2) locks belong to an open file, so a second lock in the same process waits as another
// program's would.
TEST(FileUpdateLock, ASecondHolderWaitsUntilTheFirstLetsGo)
{
    TempTree tree;
    const QString path = tree(QStringLiteral("trusted-certificates"));
    std::optional<TFileUpdateLock> first(std::in_place, path);
    ASSERT_EQ(first->Error(), QString());
    std::atomic<bool> released{false};
    std::atomic<bool> releasedBeforeTaken{false};
    std::thread second([&] {
        const TFileUpdateLock lock(path);
        releasedBeforeTaken = released.load();
        EXPECT_EQ(lock.Error(), QString());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    released = true;
    first.reset();
    second.join();
    EXPECT_TRUE(releasedBeforeTaken);
    EXPECT_TRUE(tree.exists(QStringLiteral("trusted-certificates.lock")));
}

TEST(FileUpdateLock, ALockThatCannotBeMadeSaysWhy)
{
    TempTree tree;
    const TFileUpdateLock lock(tree(QStringLiteral("missing/trusted-certificates")));
    EXPECT_EQ(lock.Error(), QString::fromLocal8Bit(std::strerror(ENOENT)));
}
