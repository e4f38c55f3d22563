// Interpreting MLSD and LIST listings: tables of real lines and the entries they give.
#include "FtpTestSupport.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPListParse.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QDateTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

// The local day count of a UTC instant, as listings must give it.
TDateTime LocalOf(const QDateTime &utc)
{
    return DateTimeFromQDateTime(utc.toLocalTime());
}

} // namespace

TEST(FtpListParse, MlsdLines)
{
    struct Case
    {
        QByteArray line;
        QString name;
        TIdDirItemType type;
        QDateTime modified; // invalid: none given
        qint64 size;        // -1: none given
    };
    const Case cases[] = {
        {"type=file;size=1024;modify=20240115120000;perm=adfrw; report.pdf", "report.pdf", ditFile,
         Utc(2024, 1, 15, 12), 1024},
        {"type=dir;modify=20240715120000; My Dir", "My Dir", ditDirectory, Utc(2024, 7, 15, 12),
         -1},
        {"type=cdir;sizd=4096; .", ".", ditDirectory, {}, 4096},
        {"type=pdir; ..", "..", ditDirectory, {}, -1},
        {"Type=DIR; upper", "upper", ditDirectory, {}, -1},
        {"type=OS.unix=slink:/target; link", "link", ditSymbolicLink, {}, -1},
        {"type=OS.unix=slink; link2", "link2", ditSymbolicLink, {}, -1},
        {"type=OS.unix=socket; sock", "sock", ditSocket, {}, -1},
        {"type=OS.unix=blkdev; sda", "sda", ditBlockDev, {}, -1},
        {"type=OS.unix=chr; tty", "tty", ditCharDev, {}, -1},
        {"type=OS.unix=fifo; pipe", "pipe", ditFIFO, {}, -1},
        {"type=weird; other", "other", ditFile, {}, -1},
        {"size=5; no type", "no type", ditFile, {}, 5},
        {"modify=20240229235959.123;type=file; ms", "ms", ditFile,
         Utc(2024, 2, 29, 23, 59, 59, 123), -1},
        {"modify=2024; broken time", "broken time", ditFile, {}, -1},
        {"type=file;  leading blank", " leading blank", ditFile, {}, -1},
        {"type=file; Gr\xc3\xbc\xc3\x9f"
         "e.txt",
         QString::fromUtf8("Grüße.txt"),
         ditFile,
         {},
         -1},
        // Not UTF-8: read as 8-bit characters.
        {"type=file; caf\xe9", QString::fromLatin1("caf\xe9"), ditFile, {}, -1},
        {"type=file;charset=ISO-8859-1; \xe9t\xe9",
         QString::fromLatin1("\xe9t\xe9"),
         ditFile,
         {},
         -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const QList<TIdFTPListItem> items = ParseMLSDListing({c.line});
        ASSERT_EQ(items.size(), 1);
        const TIdFTPListItem &item = items[0];
        EXPECT_EQ(item.FileName, c.name);
        EXPECT_EQ(item.ItemType, c.type);
        EXPECT_EQ(item.ModifiedAvail, c.modified.isValid());
        if (c.modified.isValid()) {
            EXPECT_DOUBLE_EQ(item.ModifiedDateGMT, DateTimeFromQDateTime(c.modified));
            EXPECT_DOUBLE_EQ(item.ModifiedDate, LocalOf(c.modified));
        } else {
            EXPECT_EQ(item.ModifiedDate, 0.0);
        }
        EXPECT_EQ(item.SizeAvail, c.size >= 0);
        if (c.size >= 0) {
            EXPECT_EQ(item.Size, c.size);
        }
    }
}

TEST(FtpListParse, MlsdTimesBecomeLocalAsInstants)
{
    // Winter and summer times convert with their own offsets, not today's.
    ScopedTimeZone zone("Europe/Berlin");
    const QList<TIdFTPListItem> items = ParseMLSDListing(
        {"type=file;modify=20240115120000; winter", "type=file;modify=20240715120000; summer"});
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(QDateTimeFromDateTime(items[0].ModifiedDate).time(), QTime(13, 0));
    EXPECT_EQ(QDateTimeFromDateTime(items[1].ModifiedDate).time(), QTime(14, 0));
}

TEST(FtpListParse, LinesAreSplitAtEveryKindOfLineEnd)
{
    EXPECT_EQ(SplitListingLines("a\r\nb\nc\rd"), (QList<QByteArray>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitListingLines("a\r\n\r\nb\r\n"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_TRUE(SplitListingLines("").isEmpty());
    // Empty lines give no entries.
    EXPECT_EQ(ParseMLSDListing(SplitListingLines("type=file; a\r\n\r\ntype=dir; b\r\n")).size(), 2);
}

TEST(FtpListParse, ListLinesOfUnixAndDosServers)
{
    const QDateTime now = Utc(2024, 3, 10, 12, 0);
    struct Case
    {
        QString line;
        QString name;
        TIdDirItemType type;
        QDateTime modified;
        qint64 size;
    };
    const Case cases[] = {
        // vsftpd
        {"-rw-r--r--    1 1000     1000         1234 Mar 01 09:15 notes.txt", "notes.txt", ditFile,
         Utc(2024, 3, 1, 9, 15), 1234},
        {"drwxr-xr-x    2 1000     1000         4096 Dec 24  2022 old dir", "old dir", ditDirectory,
         Utc(2022, 12, 24), 4096},
        // A date without a year that would lie in the future is last year's.
        {"-rw-r--r--    1 ftp      ftp            10 Nov 30 23:59 last-year.txt", "last-year.txt",
         ditFile, Utc(2023, 11, 30, 23, 59), 10},
        {"-rw-r--r--    1 ftp      ftp            10 Mar 11 08:00 tomorrow.txt", "tomorrow.txt",
         ditFile, Utc(2024, 3, 11, 8, 0), 10},
        {"lrwxrwxrwx    1 root     root            7 Jan  5 10:00 latest -> v1.2.3", "latest",
         ditSymbolicLink, Utc(2024, 1, 5, 10), 7},
        // proftpd and others: owner only, ACL mark, two blanks in a name
        {"-rw-r--r--+   1 user     staff  99 Feb 29 2024 two  blanks", "two  blanks", ditFile,
         Utc(2024, 2, 29), 99},
        {"-rw-r--r-- 1 user 5 Jan 1 2020 nogroup.txt", "nogroup.txt", ditFile, Utc(2020, 1, 1), 5},
        {"crw-rw-rw-    1 root     root       1,   3 Jan 10 10:00 null", "null", ditCharDev,
         Utc(2024, 1, 10, 10), -1},
        // MS-DOS / IIS
        {"03-01-24  09:15AM                 1234 notes.txt", "notes.txt", ditFile,
         Utc(2024, 3, 1, 9, 15), 1234},
        {"12-24-99  11:30PM       <DIR>          Old Stuff", "Old Stuff", ditDirectory,
         Utc(1999, 12, 24, 23, 30), -1},
        {"01-02-2023  12:05AM                   0 midnight.txt", "midnight.txt", ditFile,
         Utc(2023, 1, 2, 0, 5), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const QList<TIdFTPListItem> items = ParseLISTListing({c.line}, now);
        ASSERT_EQ(items.size(), 1);
        EXPECT_EQ(items[0].FileName, c.name);
        EXPECT_EQ(items[0].ItemType, c.type);
        EXPECT_TRUE(items[0].ModifiedAvail);
        EXPECT_DOUBLE_EQ(items[0].ModifiedDateGMT, DateTimeFromQDateTime(c.modified));
        EXPECT_DOUBLE_EQ(items[0].ModifiedDate, LocalOf(c.modified));
        EXPECT_EQ(items[0].SizeAvail, c.size >= 0);
        if (c.size >= 0) {
            EXPECT_EQ(items[0].Size, c.size);
        }
    }
}

TEST(FtpListParse, ListSkipsTotalsAndRefusesUnknownLines)
{
    const QDateTime now = Utc(2024, 3, 10);
    EXPECT_TRUE(ParseLISTListing({}, now).isEmpty());
    EXPECT_EQ(ParseLISTListing({"total 8", "", "-rw-r--r-- 1 a b 1 Jan 1 2020 x"}, now).size(), 1);
    for (const char *line :
         {"+i8388621.48594,m825718503,r,s280, readme", "Volume Serial Number is 1234",
          "-rw-r--r-- 1 a b 1 Foo 1 2020 badmonth"}) {
        SCOPED_TRACE(line);
        try {
            ParseLISTListing(
                {QStringLiteral("-rw-r--r-- 1 a b 1 Jan 1 2020 x"), QString::fromLatin1(line)},
                now);
            ADD_FAILURE() << "no error";
        } catch (const EIdFTPListParseError &error) {
            EXPECT_EQ(error.Message(), QStringLiteral("No FTP list parsers have been registered."));
        }
    }
}

TEST(FtpListParse, PrecisionOfListedTimes)
{
    const QDateTime now = Utc(2024, 3, 10, 12, 0);
    struct Case
    {
        const char *line;
        int precision;
    };
    const Case cases[] = {
        {"-rw-r--r-- 1 a b 1 Mar 01 09:15 recent", 60},
        {"-rw-r--r-- 1 a b 1 Mar 01  2020 old", 86400},
        {"03-01-24  09:15AM  1234 dos", 60},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseLISTListing({QString::fromLatin1(c.line)}, now).value(0).ModifiedPrecision,
                  c.precision);
    }
    EXPECT_EQ(ParseMLSDListing({"type=file;modify=20240101000000; m"}).value(0).ModifiedPrecision,
              1);
}

TEST(FtpListParse, TimesAreCutToTheListingPrecisionInUtc)
{
    ScopedTimeZone zone("Europe/Berlin");
    const auto utc = [](int d, int h, int mi, int s, int ms = 0) {
        return DateTimeFromQDateTime(
            QDateTime(QDate(2023, 7, d), QTime(h, mi, s, ms), QTimeZone::utc()));
    };
    // Days and minutes are those of a UTC listing, whatever the machine's zone.
    EXPECT_EQ(CutToListedPrecision(utc(1, 23, 20, 30), 86400), utc(1, 0, 0, 0));
    EXPECT_EQ(CutToListedPrecision(utc(1, 0, 0, 0), 86400), utc(1, 0, 0, 0));
    EXPECT_EQ(CutToListedPrecision(utc(1, 10, 20, 30, 500), 60), utc(1, 10, 20, 0));
    EXPECT_EQ(CutToListedPrecision(utc(1, 10, 20, 30, 500), 1), utc(1, 10, 20, 30));
    // Cut this way, a file listed by vsftpd compares equal to its source, not older.
    const QList<TIdFTPListItem> listed = ParseLISTListing({"-rw-r--r-- 1 a b 1 Jul 01  2023 f"},
                                                          Utc(2024, 3, 10));
    EXPECT_EQ(listed.value(0).ModifiedDateGMT, CutToListedPrecision(utc(1, 22, 20, 30), 86400));
}
