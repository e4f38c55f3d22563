#pragma once

#include "settings/DateTime.h"

#include <QString>

enum TIdDirItemType {
    ditDirectory,
    ditFile,
    ditSymbolicLink,
    ditSymbolicLinkDir,
    ditBlockDev,
    ditCharDev,
    ditFIFO,
    ditSocket
};

// One entry of a directory listing.
struct TIdFTPListItem
{
    QString FileName;
    TIdDirItemType ItemType = ditFile;
    // Local date-time; 0 when the server gave no time.
    TDateTime ModifiedDate = 0;
    bool ModifiedAvail = false;
    // The same instant as a UTC reading; 0 when the server gave no time.
    TDateTime ModifiedDateGMT = 0;
    // How exact the listed time is, in seconds: 1 for MLSD, 60 for a LIST time of day,
    // 86400 for a LIST date with a year. Comparisons with a local file's time should first
    // cut that time to the same precision (CutToListedPrecision).
    int ModifiedPrecision = 1;
    qint64 Size = 0;
    bool SizeAvail = false;
    QString PermissionDisplay;
};
