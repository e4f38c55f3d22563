#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Limits on what one reply may hold, so that a hostile server cannot make us buffer without end.
inline constexpr int kMaxReplyLineBytes = 64 * 1024;
inline constexpr int kMaxReplyLines = 10000;

// One reply of the control connection (RFC 959, 4.2): its three-digit code and its text lines.
// The first line's text follows the code and its separator; each further line loses a leading
// copy of the code and separator, or else its leading blanks.
struct TIdFTPReply
{
    int Code = 0;
    QStringList Text;

    // The text lines joined by CR LF: the message of an error about this reply.
    QString FormattedText() const;
};

// Reads one reply, multi-line or not, taking lines from readLine (which raises on a broken
// connection). Raises EIdFTPProtocolError for a line without a code or a reply beyond
// kMaxReplyLines lines.
TIdFTPReply ReadFTPReply(const std::function<QString()> &readLine);
