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
    qint64 Size = 0;
    bool SizeAvail = false;
    QString PermissionDisplay;
};
