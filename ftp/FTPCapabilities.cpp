#include "ftp/FTPCapabilities.h"

namespace {

QString FirstWord(const QString &trimmedLine)
{
    return trimmedLine.section(QLatin1Char(' '), 0, 0);
}

bool SameText(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// The facts after "SITE ", separated by semicolons.
bool SiteListsZone(const QString &trimmedLine)
{
    for (const QString &fact : trimmedLine.section(QLatin1Char(' '), 1).split(QLatin1Char(';')))
        if (SameText(fact.trimmed(), "ZONE"))
            return true;
    return false;
}

} // namespace

TIdFTPCapabilities TIdFTPCapabilities::FromFeatReply(const TIdFTPReply &reply)
{
    if ((reply.Code == 211 || reply.Code == 221) && reply.Text.size() > 2)
        return FromLines(reply.Text.mid(1, reply.Text.size() - 2));
    return {};
}

TIdFTPCapabilities TIdFTPCapabilities::FromLines(const QStringList &lines)
{
    TIdFTPCapabilities caps;
    caps.Lines = lines;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        const QString word = FirstWord(trimmed);
        caps.MLSD |= SameText(word, "MLSD");
        caps.MLST |= SameText(word, "MLST");
        caps.MFMT |= SameText(word, "MFMT");
        caps.UTF8 |= SameText(word, "UTF8");
        caps.CLNT |= SameText(word, "CLNT");
        caps.PRET |= SameText(word, "PRET");
        caps.MDTMSetsUtc |= SameText(trimmed, "MDTM YYYYMMDDHHMMSS[+-TZ];filename");
        caps.MDTMSetsLocalWithOffset |= SameText(trimmed, "MDTM YYYYMMDDHHMMSS[+-TZ] filename");
        caps.SiteZone |= SameText(word, "SITE") && SiteListsZone(trimmed);
    }
    return caps;
}
