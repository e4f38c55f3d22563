// Setting modification times: which command each kind of server gets.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "ftp/FTPErrors.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

// A time as the UTC date-time (instant) the client is given.
TDateTime UtcOf(const QDateTime &when)
{
    return DateTimeFromQDateTime(when.toUTC());
}

TDateTime UtcAt(int year, int month, int day, int h, int mi, int s)
{
    return DateTimeFromQDateTime(
        QDateTime(QDate(year, month, day), QTime(h, mi, s), QTimeZone::utc()));
}

QStringList TimeCommands(const ScriptedFtpServer &server)
{
    return server.Commands().filter(QRegularExpression(QStringLiteral("^(MFMT|MDTM)")));
}

} // namespace

TEST(FtpModTime, CommandFollowsTheServerFeatures)
{
    ScopedTimeZone zone("Europe/Berlin");
    struct Case
    {
        const char *label;
        QString greeting;
        QString feat;
        QString siteZone;
        QString expected;
    };
    const QString plainFeat = QStringLiteral("211-Features:\r\n MLSD\r\n211 End");
    const Case cases[] = {
        {"MFMT",
         "220 ready",
         "211-Features:\r\n MLST type*;size*;modify*;\r\n MFMT\r\n211 End",
         {},
         "MFMT 20240715120000 f.txt"},
        {"MDTM UTC by feature",
         "220 ready",
         "211-Features:\r\n SIZE\r\n MDTM YYYYMMDDHHMMSS[+-TZ];filename\r\n REST STREAM\r\n211 End",
         {},
         "MDTM 20240715120000 f.txt"},
        {"MDTM UTC by name",
         "220 Microsoft FTP Service",
         plainFeat,
         {},
         "MDTM 20240715120000 f.txt"},
        {"MDTM with offset by feature",
         "220 ready",
         "211-Features:\r\n mdtm yyyymmddhhmmss[+-tz] FILENAME\r\n211 End",
         {},
         "MDTM 20240715140000+120 f.txt"},
        {"MDTM with offset by name", "220 Serv-U FTP Server v6.4 for WinSock ready", plainFeat,
         "210 UTC-300", "MDTM 20240715140000+120 f.txt"},
        {"server zone", "220 ready", "211-Features:\r\n SITE PSWD;SET;ZONE;CHMOD\r\n211 End",
         "210 UTC-300", "MDTM 20240715070000 f.txt"},
        {"zone not given", "220 ready", "211-Features:\r\n SITE PSWD;SET;ZONE\r\n211 End", "500 no",
         "MDTM 20240715140000 f.txt"},
        {"local time", "220 ready", plainFeat, {}, "MDTM 20240715140000 f.txt"},
    };
    const TDateTime summer = UtcOf(QDateTime(QDate(2024, 7, 15), QTime(14, 0)));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedFtpServer::Scenario scenario;
        scenario.Greeting = c.greeting;
        scenario.Replies[QStringLiteral("FEAT")] = QStringList{c.feat};
        if (!c.siteZone.isEmpty())
            scenario.Replies[QStringLiteral("SITE")] = QStringList{c.siteZone};
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        ftp->Connect();
        ftp->SetModTime(QStringLiteral("f.txt"), summer);
        const QStringList commands = server.Commands();
        // The first command that sets the time (a server of unknown reading is asked back).
        EXPECT_EQ(commands.filter(QRegularExpression(QStringLiteral("^(MFMT|MDTM) \\d"))).value(0),
                  c.expected);
        EXPECT_EQ(commands.contains(QStringLiteral("SITE ZONE")), !c.siteZone.isEmpty());
    }
}

TEST(FtpModTime, WinterAndSummerTimesUseTheirOwnOffsets)
{
    ScopedTimeZone zone("Europe/Berlin");
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->SetModTime(QStringLiteral("w"), UtcOf(QDateTime(QDate(2024, 1, 15), QTime(13, 0, 5))));
    ftp->SetModTime(QStringLiteral("s"), UtcOf(QDateTime(QDate(2024, 7, 15), QTime(14, 0, 5))));
    EXPECT_EQ(server.Commands().mid(server.Commands().size() - 2),
              (QStringList{QStringLiteral("MFMT 20240115120005 w"),
                           QStringLiteral("MFMT 20240715120005 s")}));
}

TEST(FtpModTime, RefusalRaisesTheServerText)
{
    ScriptedFtpServer::Scenario scenario;
    scenario.Replies[QStringLiteral("MFMT")] = QStringList{
        QStringLiteral("502 MFMT not allowed here.")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    try {
        ftp->SetModTime(QStringLiteral("f.txt"), 45000.5);
        ADD_FAILURE() << "no error";
    } catch (const EIdReplyRFCError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("MFMT not allowed here."));
    }
    EXPECT_TRUE(ftp->Connected());
}

TEST(FtpModTime, TheHourThatRepeatsGoesOutAsTheInstantItIs)
{
    // Berlin's clocks went back from 03:00 to 02:00 at 01:00 UTC on 2024-10-27: 00:59:59 UTC
    // and 01:59:59 UTC both read 02:59:59 there.
    ScopedTimeZone zone("Europe/Berlin");
    ScriptedFtpServer::Scenario mfmt;
    mfmt.Replies[QStringLiteral("FEAT")] = QStringList{
        QStringLiteral("211-Features:\r\n MLSD\r\n MFMT\r\n211 End")};
    ScriptedFtpServer server(mfmt);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->SetModTime(QStringLiteral("a"), UtcAt(2024, 10, 27, 0, 59, 59));
    ftp->SetModTime(QStringLiteral("b"), UtcAt(2024, 10, 27, 1, 59, 59));
    EXPECT_EQ(TimeCommands(server), (QStringList{QStringLiteral("MFMT 20241027005959 a"),
                                                 QStringLiteral("MFMT 20241027015959 b")}));

    ScriptedFtpServer::Scenario withOffset;
    withOffset.Replies[QStringLiteral("FEAT")] = QStringList{
        QStringLiteral("211-Features:\r\n MDTM YYYYMMDDHHMMSS[+-TZ] filename\r\n211 End")};
    ScriptedFtpServer other(withOffset);
    auto second = MakeTestClient(other.Port());
    second->Connect();
    second->SetModTime(QStringLiteral("a"), UtcAt(2024, 10, 27, 0, 59, 59));
    second->SetModTime(QStringLiteral("b"), UtcAt(2024, 10, 27, 1, 59, 59));
    EXPECT_EQ(TimeCommands(other), (QStringList{QStringLiteral("MDTM 20241027025959+120 a"),
                                                QStringLiteral("MDTM 20241027025959+60 b")}));
}

TEST(FtpModTime, AServerOfUnknownReadingIsReadBackOnce)
{
    ScopedTimeZone zone("Europe/Berlin");
    const TDateTime first = UtcAt(2024, 7, 15, 12, 0, 0);  // 14:00 in Berlin
    const TDateTime second = UtcAt(2024, 1, 15, 12, 0, 0); // 13:00 in Berlin
    struct Case
    {
        const char *label;
        QString readBack;
        QStringList expected;
    };
    const Case cases[] = {
        {"server reads local time",
         "213 20240715120000",
         {"MDTM 20240715140000 a", "MDTM a", "MDTM 20240115130000 b"}},
        {"server reads UTC (it lists in UTC): set again, and UTC from then on",
         "213 20240715140000",
         {"MDTM 20240715140000 a", "MDTM a", "MDTM 20240715120000 a", "MDTM 20240115120000 b"}},
        {"server cannot tell: times go out as local readings, asked once",
         "500 Unknown command.",
         {"MDTM 20240715140000 a", "MDTM a", "MDTM 20240115130000 b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedFtpServer::Scenario scenario;
        scenario.Replies[QStringLiteral("FEAT")] = QStringList{
            QStringLiteral("211-Features:\r\n MLSD\r\n211 End")};
        scenario.Replies[QStringLiteral("MDTM")] = QStringList{
            QStringLiteral("213 Modified"), c.readBack, QStringLiteral("213 Modified")};
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        ftp->Connect();
        ftp->SetModTime(QStringLiteral("a"), first);
        ftp->SetModTime(QStringLiteral("b"), second);
        EXPECT_EQ(TimeCommands(server), c.expected);
    }
}
