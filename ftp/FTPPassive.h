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

// Whether an IPv4 address is one of the non-routable ranges: 127.x, 10.x, 169.254.x,
// 192.168.x, 172.16.x to 172.31.x.
bool IsNonRoutableAddress(const QString &address);

// The host for the data connection: a non-routable address from a server reached at a routable
// one (a server behind NAT that announces its inside address) is replaced by the peer address.
QString ChooseDataHost(const QString &passiveHost, const QString &controlPeer);
