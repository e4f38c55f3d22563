// Reading replies off the control connection.
#include "FtpTestSupport.h"
#include "ftp/FTPCapabilities.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPReply.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

// Reads a reply from the given lines; raises when the reader wants more lines than given.
TIdFTPReply ReadFrom(const QStringList &lines, int *consumed = nullptr)
{
    int next = 0;
    TIdFTPReply reply = ReadFTPReply([&] {
        if (next >= lines.size())
            throw EIdConnClosedGracefully(QStringLiteral("Connection Closed Gracefully."));
        return lines[next++];
    });
    if (consumed)
        *consumed = next;
    return reply;
}

} // namespace

TEST(FtpReply, SingleAndMultiLineReplies)
{
    struct Case
    {
        QStringList lines;
        int code;
        QStringList text;
        int consumed;
    };
    const Case cases[] = {
        {{"200 Command okay."}, 200, {"Command okay."}, 1},
        {{"200"}, 200, {""}, 1},
        // Lines after the closing one belong to the next reply.
        {{"230 Logged in", "200 next"}, 230, {"Logged in"}, 1},
        // Continuation lines lose a copy of the code, or else their leading blanks.
        {{"211-Features:", " MLST type*;size*;modify*;", " MFMT", "211 End"},
         211,
         {"Features:", "MLST type*;size*;modify*;", "MFMT", "End"},
         4},
        {{"220-Welcome", "220-to the", "   server", "220 ready"},
         220,
         {"Welcome", "to the", "server", "ready"},
         4},
        // A line that only begins with the code and a blank inside the text does not end it,
        // nor does another code; the bare code does.
        {{"250-First", "2500 not the end", "251 nor this", "250"},
         250,
         {"First", "2500 not the end", "251 nor this", ""},
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines.join(QLatin1Char('|')).toStdString());
        int consumed = 0;
        const TIdFTPReply reply = ReadFrom(c.lines, &consumed);
        EXPECT_EQ(reply.Code, c.code);
        EXPECT_EQ(reply.Text, c.text);
        EXPECT_EQ(consumed, c.consumed);
    }
}

TEST(FtpReply, FormattedTextJoinsLinesWithCrLf)
{
    const TIdFTPReply reply = ReadFrom({"550-No such file", "550 or directory"});
    EXPECT_EQ(reply.FormattedText(), QStringLiteral("No such file\r\nor directory"));
}

TEST(FtpReply, BrokenRepliesAreErrors)
{
    EXPECT_THROW(ReadFrom({"hello there"}), EIdFTPProtocolError);
    EXPECT_THROW(ReadFrom({"2x0 nope"}), EIdFTPProtocolError);
    EXPECT_THROW(ReadFrom({""}), EIdFTPProtocolError);
    // A multi-line reply cut off by the connection's end.
    EXPECT_THROW(ReadFrom({"211-Features:", " MLSD"}), EIdConnClosedGracefully);
}

TEST(FtpReply, MultiLineReplyIsBounded)
{
    QStringList lines{QStringLiteral("211-start")};
    for (int i = 0; i < kMaxReplyLines + 5; ++i)
        lines.append(QStringLiteral(" line"));
    lines.append(QStringLiteral("211 end"));
    EXPECT_THROW(ReadFrom(lines), EIdFTPProtocolError);

    QStringList fits{QStringLiteral("211-start")};
    for (int i = 0; i < kMaxReplyLines - 2; ++i)
        fits.append(QStringLiteral(" line"));
    fits.append(QStringLiteral("211 end"));
    EXPECT_EQ(ReadFrom(fits).Text.size(), kMaxReplyLines);
}

TEST(FtpReply, FeatureListGivesTheCapabilities)
{
    using Caps = TIdFTPCapabilities;
    const auto reply = [](int code, std::initializer_list<const char *> lines) {
        TIdFTPReply result{code, {}};
        for (const char *line : lines)
            result.Text.append(QString::fromUtf8(line));
        return result;
    };
    // A FEAT reply listing features between its first and last line.
    const auto feat = [&](std::initializer_list<const char *> features) {
        TIdFTPReply result = reply(211, features);
        result.Text.prepend(QStringLiteral("Features:"));
        result.Text.append(QStringLiteral("End"));
        return result;
    };
    struct Case
    {
        const char *name;
        TIdFTPReply reply;
        bool Caps::*flag; // the one flag set; nullptr: none
    };
    const Case cases[] = {
        {"MLSD", feat({"MLSD"}), &Caps::MLSD},
        {"MLST with facts", feat({"MLST type*;size*;modify*;"}), &Caps::MLST},
        {"letter case", feat({"mfmt"}), &Caps::MFMT},
        {"blanks around", feat({"  UTF8  "}), &Caps::UTF8},
        {"CLNT", feat({"CLNT"}), &Caps::CLNT},
        {"PRET", feat({"PRET"}), &Caps::PRET},
        {"longer words", feat({"MLSDX", "UTF8X", "PRETTY"}), nullptr},
        {"MDTM in UTC", feat({"MDTM YYYYMMDDHHMMSS[+-TZ];filename"}), &Caps::MDTMSetsUtc},
        {"MDTM with offset", feat({"mdtm yyyymmddhhmmss[+-tz] FILENAME"}),
         &Caps::MDTMSetsLocalWithOffset},
        // Plain MDTM (RFC 3659) reads times; it sets none.
        {"plain MDTM", feat({"MDTM"}), nullptr},
        {"SITE ZONE", feat({"SITE PSWD;SET;ZONE;CHMOD"}), &Caps::SiteZone},
        {"SITE ZONE last", feat({"site pswd; zone "}), &Caps::SiteZone},
        {"SITE without ZONE", feat({"SITE PSWD;ZONES;TIMEZONE", "ZONE"}), nullptr},
        {"refused FEAT", reply(500, {"x", "MLSD", "y"}), nullptr},
        {"no features", reply(211, {"No features", "End"}), nullptr},
        {"221 lists too", reply(221, {"x", "PRET", "y"}), &Caps::PRET},
    };
    const std::pair<const char *, bool Caps::*> flags[] = {
        {"MLSD", &Caps::MLSD},
        {"MLST", &Caps::MLST},
        {"MFMT", &Caps::MFMT},
        {"MDTMSetsUtc", &Caps::MDTMSetsUtc},
        {"MDTMSetsLocalWithOffset", &Caps::MDTMSetsLocalWithOffset},
        {"UTF8", &Caps::UTF8},
        {"CLNT", &Caps::CLNT},
        {"PRET", &Caps::PRET},
        {"SiteZone", &Caps::SiteZone},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Caps caps = Caps::FromFeatReply(c.reply);
        for (const auto &[flagName, flag] : flags)
            EXPECT_EQ(caps.*flag, flag == c.flag) << flagName;
    }
    EXPECT_EQ(Caps::FromFeatReply(feat({"MLSD", " SIZE"})).Lines,
              (QStringList{QStringLiteral("MLSD"), QStringLiteral(" SIZE")}));
    EXPECT_TRUE(Caps::FromFeatReply(reply(500, {"x", "MLSD", "y"})).Lines.isEmpty());
}
