#pragma once

#include <QString>

// What a PASV reply names (an EPSV reply names only a port). Only the port is used: the data
// connection always goes to the control connection's peer, so a server cannot point the client at a
// third host.
struct TIdPassiveAddress
{
    QString Host;
    quint16 Port = 0;
};

// Reads the address of a 227 reply's first text line (RFC 959, 4.1.2): the numbers between
// "(" and ")", or after the last blank when there is no "("; four address numbers and two port
// numbers. Raises EIdReplyRFCError with replyText when the numbers cannot be read.
TIdPassiveAddress ParsePassiveReply(const QString &firstLine, int code, const QString &replyText);

// Reads the port of a 229 reply's first text line (RFC 2428, 3): "(|||port|)", where any
// printable character other than a digit may stand in place of "|". Fields between the first
// delimiters are ignored, as the data connection goes to the control connection's peer. Raises
// EIdReplyRFCError with replyText when no port from 1 to 65535 can be read.
quint16 ParseExtendedPassiveReply(const QString &firstLine, int code, const QString &replyText);
