// Reading PASV replies and choosing where the data connection goes. Nothing here connects.
#include "FtpTestSupport.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPPassive.h"

#include <gtest/gtest.h>

TEST(FtpPassive, ReplyTextsGiveAddressAndPort)
{
    struct Case
    {
        const char *line;
        const char *host;
        int port;
    };
    const Case cases[] = {
        {"Entering Passive Mode (192,168,1,5,19,137).", "192.168.1.5", 19 * 256 + 137},
        {"Entering Passive Mode 10,0,0,1,4,1", "10.0.0.1", 1025},
        {"=127,0,0,1,200,10", "127.0.0.1", 200 * 256 + 10},
        {"Entering Passive Mode (203,0,113,9,0,21", "203.0.113.9", 21},
        {"  Entering Passive Mode ( 1, 2, 3, 4, 5, 6 )  ", "1.2.3.4", 5 * 256 + 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        const TIdPassiveAddress address = ParsePassiveReply(QString::fromLatin1(c.line), 227,
                                                            QStringLiteral("text"));
        EXPECT_EQ(address.Host, QString::fromLatin1(c.host));
        EXPECT_EQ(address.Port, c.port);
    }
}

TEST(FtpPassive, UnreadableRepliesRaiseTheReplyText)
{
    for (const char *line :
         {"Entering Passive Mode", "Entering Passive Mode (1,2,3,4,5)",
          "Entering Passive Mode (1,2,3,x,5,6)", "Entering Passive Mode (1,2,3,400,5,6)"}) {
        SCOPED_TRACE(line);
        try {
            ParsePassiveReply(QString::fromLatin1(line), 227, QStringLiteral("the reply"));
            ADD_FAILURE() << "no error";
        } catch (const EIdReplyRFCError &error) {
            EXPECT_EQ(error.Message(), QStringLiteral("the reply"));
        }
    }
}

TEST(FtpPassive, NonRoutableAddressFromARoutableServerIsReplaced)
{
    struct Case
    {
        const char *passive;
        const char *peer;
        const char *chosen;
    };
    const Case cases[] = {
        {"192.168.1.5", "203.0.113.7", "203.0.113.7"},
        {"10.0.0.1", "198.51.100.2", "198.51.100.2"},
        {"127.0.0.1", "198.51.100.2", "198.51.100.2"},
        {"169.254.3.4", "198.51.100.2", "198.51.100.2"},
        {"172.16.0.1", "198.51.100.2", "198.51.100.2"},
        {"172.31.255.1", "198.51.100.2", "198.51.100.2"},
        // Outside the private ranges, or a server that is itself on a private network.
        {"172.15.0.1", "198.51.100.2", "172.15.0.1"},
        {"172.32.0.1", "198.51.100.2", "172.32.0.1"},
        {"198.51.100.9", "198.51.100.2", "198.51.100.9"},
        {"10.0.0.1", "192.168.1.1", "10.0.0.1"},
        {"127.0.0.1", "127.0.0.1", "127.0.0.1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.passive);
        EXPECT_EQ(ChooseDataHost(QString::fromLatin1(c.passive), QString::fromLatin1(c.peer)),
                  QString::fromLatin1(c.chosen));
    }
}
