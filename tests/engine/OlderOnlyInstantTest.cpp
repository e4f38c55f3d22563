// "Older only" decides by instants: around the hour that repeats when daylight saving ends, two
// files an hour apart read the same on the local clock, and a source a few seconds newer reads
// an hour older.
#include "EngineTestSupport.h"
#include "settings/DateTime.h"
#include "support/ScopedTimeZone.h"
#include "support/TempTree.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

// The instant clocks went back in the zone in 2024.
QDateTime FallBack2024(const QByteArray &zone)
{
    const QTimeZone tz(zone);
    const QDateTime from(QDate(2024, 7, 1), QTime(0, 0), QTimeZone::utc());
    const QTimeZone::OffsetData next = tz.nextTransition(from);
    return next.atUtc;
}

struct InstantCase
{
    const char *label;
    // Seconds from the moment clocks go back.
    int outputAt;
    int sourceAt;
    bool copied;
};

} // namespace

TEST(OlderOnlyInstants, TheHourThatRepeatsComparesInstantsLocallyAndRemotely)
{
    const InstantCase cases[] = {
        // The output reads x:59:50 summer time, the source (x-1):00:21 winter time.
        {"a source 31 s newer is copied", -10, 21, true},
        // The output reads (x-1):00:05 winter time, the source x:59:45 summer time.
        {"a source 20 s older leaves a newer output alone", 5, -15, false},
    };
    for (const char *zone : {"America/New_York", "Europe/Berlin"}) {
        ScopedTimeZone scoped(zone);
        const QDateTime fallBack = FallBack2024(zone);
        ASSERT_TRUE(fallBack.isValid()) << zone;
        for (const InstantCase &c : cases) {
            SCOPED_TRACE(std::string(zone) + ": " + c.label);
            const QDateTime outputTime = fallBack.addSecs(c.outputAt);
            const QDateTime sourceTime = fallBack.addSecs(c.sourceAt);
            // The premise: on the local clock the two read the other way round.
            ASSERT_EQ(outputTime.toLocalTime().time() > sourceTime.toLocalTime().time(), c.copied);

            TempTree tree;
            tree.write(QStringLiteral("src/f.txt"), "source");
            tree.setMTime(QStringLiteral("src/f.txt"), sourceTime);
            tree.write(QStringLiteral("out/f.txt"), "output");
            tree.setMTime(QStringLiteral("out/f.txt"), outputTime);

            ScanCall local;
            local.BaseFolder = tree(QStringLiteral("src"));
            local.OutDir = tree(QStringLiteral("out"));
            local.Mask = QStringLiteral("f.txt");
            local.Overwrite = ofOlder;
            local.Run();
            EXPECT_EQ(local.Copied, c.copied ? 1 : 0);
            EXPECT_EQ(local.Existed, c.copied ? 0 : 1);
            EXPECT_EQ(tree.read(QStringLiteral("out/f.txt")),
                      QByteArray(c.copied ? "source" : "output"));

            // The same decision against a server that lists the output's instant.
            FakeSession session;
            session.Files[QStringLiteral("/site/f.txt")] = DateTimeFromQDateTime(
                outputTime.toUTC());
            ScanCall remote;
            remote.BaseFolder = local.BaseFolder;
            remote.OutDir = QStringLiteral("/site");
            remote.Mask = QStringLiteral("f.txt");
            remote.Overwrite = ofOlder;
            remote.Session = &session;
            remote.Run();
            EXPECT_EQ(remote.Copied, c.copied ? 1 : 0);
            EXPECT_EQ(remote.Existed, c.copied ? 0 : 1);
        }
    }
}
