#pragma once

#include "settings/FileDescriptor.h"

#include <QByteArray>

// A path made ready for the *at() system calls, so that paths longer than PATH_MAX reach their
// files too. A short path (shorter than PATH_MAX, and so is any other entry of its folder) is
// passed whole, relative to the working folder, just as the plain calls take it; a longer one
// is split into its folder, opened a piece of fewer than PATH_MAX bytes at a time (each piece
// cut at a "/"), and its last component.
class TPathAt
{
public:
    // Prepares the path; false with errno set when the folder of a long path cannot be opened
    // (ENAMETOOLONG when a single component is itself too long).
    bool open(const QByteArray &path);

    // The folder descriptor to pass: AT_FDCWD for a short path.
    int folder() const;
    // The path to pass with folder(): the whole path, or the last component of a long one.
    const char *name() const { return FName.constData(); }
    // The path to pass with folder() for another entry of the same folder.
    QByteArray sibling(const QByteArray &entryName) const;

private:
    TFd FFolder;
    QByteArray FName;
    // The length of the folder part of a short path, its "/" included (0 for a bare name, and
    // for a long path, whose entries are named relative to FFolder).
    qsizetype FPrefixSize = 0;
};
