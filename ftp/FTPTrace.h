// The command trace of the FTP client: every command sent and every reply read, with the
// password masked, as debug messages of the logging category "rovanel.ftp.trace" (off unless a
// rule turns it on: QT_LOGGING_RULES="rovanel.ftp.trace.debug=true", or rovanel-cli -verbose).
// Each line names the server and the connection, so that the lines of several connections at
// once can be told apart:
//   127.0.0.1:2121 #1 > USER anna
//   127.0.0.1:2121 #1 > PASS ****
//   127.0.0.1:2121 #1 < 230 Login successful.
#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcFtpTrace)

struct TIdFTPReply;

// The trace's name of one connection to a server: "host:port #n" ("[::1]:21 #n" for an IPv6
// address), n counted per program run.
QString FtpTraceName(const QString &host, quint16 port);
// The command as the trace shows it: the argument of PASS hidden.
QString FtpTraceCommand(const QString &command);

void TraceFtpCommand(const QString &connection, const QString &command);
void TraceFtpReply(const QString &connection, const TIdFTPReply &reply);
// Anything else the connection does that explains what follows (a TLS handshake, a data
// connection opened).
void TraceFtpNote(const QString &connection, const QString &text);
