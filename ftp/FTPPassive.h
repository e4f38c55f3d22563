#pragma once

#include <QString>

// Where a data connection goes after PASV.
struct TIdPassiveAddress
{
    QString Host;
    quint16 Port = 0;
};

// Reads the address of a 227 reply's first text line (RFC 959, 4.1.2): the numbers between
// "(" and ")", or after the last blank when there is no "("; four address numbers and two port
// numbers. Raises EIdReplyRFCError with replyText when the numbers cannot be read.
TIdPassiveAddress ParsePassiveReply(const QString &firstLine, int code, const QString &replyText);
