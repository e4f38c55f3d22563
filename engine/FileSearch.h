#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// What a listing returns: plain files, or folders.
enum class TSearchKind { Files, Folders };

// One listed entry.
struct TSearchEntry
{
    QString Name;
    // The file or folder the entry leads to, links followed; identifies folders on a walk.
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

// Something a listing could not show: the folder itself could not be read, or an entry of the
// kind asked for has a name that is not valid UTF-8 (such a name cannot be carried in a QString
// and reopened).
struct TSearchFault
{
    // The folder that could not be read, or the entry with its name as ShownNameBytes shows it.
    QString ShownPath;
    // The entry's name as far as it decodes (invalid bytes replaced), for the exclude masks;
    // empty for a folder that could not be read.
    QString Name;
    // Whether ShownPath is a folder.
    bool IsFolder = false;
    // What went wrong, as the system words it.
    QString Reason;
};

// Lists the entries of one folder that match a path whose last component may hold the
// wildcards "*" (any run of characters) and "?" (exactly one character); letter case is
// ignored and "*.*" matches every name. Hidden entries (the name begins with ".") and system
// entries (neither a plain file nor a folder once links are followed: devices, sockets, FIFOs,
// dangling links) are never listed. The entries come sorted by name with ASCII letters
// compared as upper case, so the same tree always lists in the same order. A folder that is
// missing lists nothing. A folder that cannot be read, and entries of the kind asked for whose
// names match but are not valid UTF-8, are left out of the list and added to faults (when
// given). Paths longer than PATH_MAX are listed too.
std::vector<TSearchEntry> FindEntries(const QString &pathPattern, TSearchKind kind,
                                      std::vector<TSearchFault> *faults = nullptr);

// Whether a name matches a wildcard pattern by the rules of FindEntries.
bool MatchesWildcard(const QString &name, const QString &pattern);

// The identity (device and inode, links followed) of a folder; false when it cannot be read.
bool FolderIdentity(const QString &folder, std::uint64_t &device, std::uint64_t &inode);
