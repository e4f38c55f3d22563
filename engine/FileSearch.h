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

// Lists the entries of one folder that match a path whose last component may hold the
// wildcards "*" (any run of characters) and "?" (exactly one character); letter case is
// ignored and "*.*" matches every name. Hidden entries (the name begins with ".") and system
// entries (neither a plain file nor a folder once links are followed: devices, sockets, FIFOs,
// dangling links) are never listed. The entries come sorted by name with ASCII letters
// compared as upper case, so the same tree always lists in the same order. A folder that is
// missing or cannot be read lists nothing.
std::vector<TSearchEntry> FindEntries(const QString &pathPattern, TSearchKind kind);

// Whether a name matches a wildcard pattern by the rules of FindEntries.
bool MatchesWildcard(const QString &name, const QString &pattern);

// The identity (device and inode, links followed) of a folder; false when it cannot be read.
bool FolderIdentity(const QString &folder, std::uint64_t &device, std::uint64_t &inode);
