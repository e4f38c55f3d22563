#pragma once

#include "ftp/FTPReply.h"

#include <QString>
#include <QStringList>

// What a server says it can do in its FEAT reply (RFC 2389), read once per connection into
// named flags so that no command has to look through the reply text again. A feature is
// matched by the first word of its line, ignoring letter case; the MDTM flags need the whole
// line, since the servers that set times by MDTM tell their dialect only by its spelling.
struct TIdFTPCapabilities
{
    // The feature lines as listed, without the reply's first and last line.
    QStringList Lines;

    bool MLSD = false; // RFC 3659 machine listings
    bool MLST = false;
    bool MFMT = false; // sets a file's time, given in UTC
    // "MDTM YYYYMMDDHHMMSS[+-TZ];filename": MDTM sets a time given in UTC.
    bool MDTMSetsUtc = false;
    // "MDTM YYYYMMDDHHMMSS[+-TZ] filename": MDTM sets a local time followed by its offset.
    bool MDTMSetsLocalWithOffset = false;
    bool UTF8 = false; // RFC 2640 path names in UTF-8
    bool CLNT = false; // the server wants to know the client's name
    bool PRET = false; // a transfer is announced before PASV
    // "SITE PSWD;SET;ZONE;CHMOD": SITE ZONE gives the server's offset from UTC.
    bool SiteZone = false;

    // The flags of the lines of a FEAT reply; a refused FEAT (any code but 211, or the 221
    // some servers send) lists nothing.
    static TIdFTPCapabilities FromFeatReply(const TIdFTPReply &reply);
    static TIdFTPCapabilities FromLines(const QStringList &lines);
};
