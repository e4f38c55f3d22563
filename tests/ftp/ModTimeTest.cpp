// Setting modification times: which command each kind of server gets.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "ftp/FTPErrors.h"

#include <gtest/gtest.h>

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
    const TDateTime summer = DateTimeFromQDateTime(QDateTime(QDate(2024, 7, 15), QTime(14, 0)));
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
        EXPECT_EQ(commands.last(), c.expected);
        EXPECT_EQ(commands.contains(QStringLiteral("SITE ZONE")), !c.siteZone.isEmpty());
    }
}

TEST(FtpModTime, WinterAndSummerTimesUseTheirOwnOffsets)
{
    ScopedTimeZone zone("Europe/Berlin");
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->SetModTime(QStringLiteral("w"),
                    DateTimeFromQDateTime(QDateTime(QDate(2024, 1, 15), QTime(13, 0, 5))));
    ftp->SetModTime(QStringLiteral("s"),
                    DateTimeFromQDateTime(QDateTime(QDate(2024, 7, 15), QTime(14, 0, 5))));
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
