#include "ftp/FTPListParse.h"

#include "ftp/FTPErrors.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>

namespace {

void SetUtcTime(TIdFTPListItem &item, const QDateTime &utc)
{
    if (!utc.isValid())
        return;
    item.ModifiedDateGMT = DateTimeFromQDateTime(utc);
    item.ModifiedDate = DateTimeFromQDateTime(utc.toLocalTime());
    item.ModifiedAvail = true;
}

QDateTime ParseMLSDTime(const QString &value)
{
    // YYYYMMDDHHMMSS[.sss]
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(\\d{2})(\\d{2})(\\d{2})(?:\\.(\\d{1,3})\\d*)?$"));
    const QRegularExpressionMatch m = pattern.match(value.trimmed());
    if (!m.hasMatch())
        return QDateTime();
    int ms = 0;
    if (!m.captured(7).isEmpty())
        ms = m.captured(7).leftJustified(3, QLatin1Char('0')).toInt();
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, QTimeZone::utc());
}

TIdDirItemType MLSDType(const QString &value)
{
    const QString v = value.toLower();
    if (v == QLatin1String("cdir") || v == QLatin1String("pdir") || v == QLatin1String("dir"))
        return ditDirectory;
    if (v == QLatin1String("os.unix=slink") || v.startsWith(QLatin1String("os.unix=slink:")))
        return ditSymbolicLink;
    if (v == QLatin1String("os.unix=socket"))
        return ditSocket;
    if (v.startsWith(QLatin1String("os.unix=blk")))
        return ditBlockDev;
    if (v.startsWith(QLatin1String("os.unix=chr")))
        return ditCharDev;
    if (v == QLatin1String("os.unix=fifo"))
        return ditFIFO;
    return ditFile;
}

QString DecodeName(const QByteArray &bytes, const QString &charset)
{
    const QByteArray charsetName = charset.isEmpty() ? QByteArray("UTF-8") : charset.toLatin1();
    // Stateless: a name cut inside a UTF-8 sequence is an error, not input kept for later.
    QStringDecoder decoder(charsetName.constData(), QStringConverter::Flag::Stateless);
    if (decoder.isValid()) {
        QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

[[noreturn]] void NoParser()
{
    throw EIdFTPListParseError(QStringLiteral("No FTP list parsers have been registered."));
}

int MonthNumber(const QString &name)
{
    static const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString lower = name.toLower();
    for (int i = 0; i < 12; ++i)
        if (lower == QLatin1String(kMonths[i]))
            return i + 1;
    return 0;
}

bool ParseUnixLine(const QString &line, const QDateTime &nowUtc, TIdFTPListItem &item)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^([-dlbcpsD])([-rwxsStTlL?]{9})[.+@]?\\s+\\d+\\s+(?:.+?\\s+)?(\\d+|\\d+,\\s*\\d+)\\s+"
        "([A-Za-z]{3})\\s+(\\d{1,2})\\s+(\\d{1,2}:\\d{2}|\\d{4})\\s(.*)$"));
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch())
        return false;
    const int month = MonthNumber(m.captured(4));
    const int day = m.captured(5).toInt();
    if (month == 0)
        return false;
    const QString kind = m.captured(1);
    QString name = m.captured(7);
    switch (kind.at(0).toLatin1()) {
    case 'd':
    case 'D':
        item.ItemType = ditDirectory;
        break;
    case 'l': {
        item.ItemType = ditSymbolicLink;
        const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            name.truncate(arrow);
        break;
    }
    case 'b':
        item.ItemType = ditBlockDev;
        break;
    case 'c':
        item.ItemType = ditCharDev;
        break;
    case 'p':
        item.ItemType = ditFIFO;
        break;
    case 's':
        item.ItemType = ditSocket;
        break;
    default:
        item.ItemType = ditFile;
    }
    if (name.isEmpty())
        return false;
    item.FileName = name;
    item.PermissionDisplay = kind + m.captured(2);
    if (!m.captured(3).contains(QLatin1Char(','))) {
        item.Size = m.captured(3).toLongLong();
        item.SizeAvail = true;
    }
    const QString timeOrYear = m.captured(6);
    QDateTime when;
    if (timeOrYear.contains(QLatin1Char(':'))) {
        const QTime time = QTime::fromString(timeOrYear.rightJustified(5, QLatin1Char('0')),
                                             QStringLiteral("HH:mm"));
        item.ModifiedPrecision = 60;
        // A date without a year lies within the last twelve months (as "ls" prints it);
        // a day of clock skew is allowed for.
        int year = nowUtc.date().year();
        when = QDateTime(QDate(year, month, day), time, QTimeZone::utc());
        if (!when.isValid() || when > nowUtc.addDays(1)) {
            --year;
            when = QDateTime(QDate(year, month, day), time, QTimeZone::utc());
        }
    } else {
        when = QDateTime(QDate(timeOrYear.toInt(), month, day), QTime(0, 0), QTimeZone::utc());
        item.ModifiedPrecision = 86400;
    }
    SetUtcTime(item, when);
    return true;
}

bool ParseDosLine(const QString &line, TIdFTPListItem &item)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{1,2})-(\\d{1,2})-(\\d{2}|\\d{4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+"
        "(<DIR>|\\d+)\\s+(.+)$"));
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch())
        return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString half = m.captured(6).toUpper();
    if (half == QLatin1String("PM") && hour < 12)
        hour += 12;
    else if (half == QLatin1String("AM") && hour == 12)
        hour = 0;
    const QDateTime when(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                         QTime(hour, m.captured(5).toInt()), QTimeZone::utc());
    if (!when.isValid())
        return false;
    item.FileName = m.captured(8);
    item.ModifiedPrecision = 60;
    if (m.captured(7).compare(QLatin1String("<DIR>"), Qt::CaseInsensitive) == 0) {
        item.ItemType = ditDirectory;
    } else {
        item.ItemType = ditFile;
        item.Size = m.captured(7).toLongLong();
        item.SizeAvail = true;
    }
    SetUtcTime(item, when);
    return true;
}

} // namespace

QList<QByteArray> SplitListingLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines.append(data.mid(start));
    return lines;
}

QList<TIdFTPListItem> ParseMLSDListing(const QList<QByteArray> &lines)
{
    QList<TIdFTPListItem> items;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const qsizetype blank = line.indexOf(' ');
        const QByteArray factsPart = blank < 0 ? line : line.left(blank);
        const QByteArray nameBytes = blank < 0 ? QByteArray() : line.mid(blank + 1);
        TIdFTPListItem item;
        QString charset;
        QString size;
        QString sizd;
        QString perm;
        QString unixMode;
        for (const QByteArray &fact : factsPart.split(';')) {
            const qsizetype eq = fact.indexOf('=');
            if (eq <= 0)
                continue;
            const QString name = QString::fromLatin1(fact.left(eq)).toLower();
            const QString value = QString::fromLatin1(fact.mid(eq + 1));
            if (name == QLatin1String("type"))
                item.ItemType = MLSDType(value);
            else if (name == QLatin1String("modify"))
                SetUtcTime(item, ParseMLSDTime(value));
            else if (name == QLatin1String("size"))
                size = value;
            else if (name == QLatin1String("sizd"))
                sizd = value;
            else if (name == QLatin1String("perm"))
                perm = value;
            else if (name == QLatin1String("unix.mode"))
                unixMode = value;
            else if (name == QLatin1String("charset"))
                charset = value;
        }
        const QString sizeText = !size.isEmpty()                 ? size
                                 : item.ItemType == ditDirectory ? sizd
                                                                 : QString();
        bool ok = false;
        const qint64 sizeValue = sizeText.toLongLong(&ok);
        if (ok) {
            item.Size = sizeValue;
            item.SizeAvail = true;
        }
        item.PermissionDisplay = !perm.isEmpty() ? perm : unixMode;
        item.FileName = DecodeName(nameBytes, charset);
        items.append(item);
    }
    return items;
}

QList<TIdFTPListItem> ParseLISTListing(const QStringList &lines, const QDateTime &nowUtc)
{
    static const QRegularExpression total(QStringLiteral("^total\\s+\\d+\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    QList<TIdFTPListItem> items;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty() || total.match(line).hasMatch())
            continue;
        TIdFTPListItem item;
        if (!ParseUnixLine(line, nowUtc, item) && !ParseDosLine(line, item))
            NoParser();
        items.append(item);
    }
    return items;
}

TDateTime CutToListedPrecision(TDateTime utcTime, int precisionSeconds)
{
    if (!QDateTimeFromDateTime(utcTime, Qt::UTC).isValid())
        return utcTime;
    // Listings give whole seconds at best.
    const qint64 step = qMax(precisionSeconds, 1);
    const qint64 ms = UnixMsFromUtcDateTime(utcTime);
    qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    seconds -= ((seconds % step) + step) % step;
    return UtcDateTimeFromUnix(seconds);
}
