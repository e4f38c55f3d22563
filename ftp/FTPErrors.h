#pragma once

#include "settings/Exception.h"

// Errors of the FTP client. Each kind carries its own class name, which the run log shows
// only when a message is empty.

// A network failure: a connection that cannot be made, breaks or is reset.
class EIdSocketError : public Exception
{
public:
    explicit EIdSocketError(const QString &message, const char *className = "EIdSocketError")
        : Exception(message, className) {}
};

// The peer closed the connection while a reply or data was awaited.
class EIdConnClosedGracefully : public EIdSocketError
{
public:
    explicit EIdConnClosedGracefully(const QString &message)
        : EIdSocketError(message, "EIdConnClosedGracefully") {}
};

// No reply within the reply time-out.
class EIdReadTimeout : public EIdSocketError
{
public:
    explicit EIdReadTimeout(const QString &message) : EIdSocketError(message, "EIdReadTimeout") {}
};

// A server reply that refuses a command; the message is the reply's text lines.
class EIdReplyRFCError : public Exception
{
public:
    EIdReplyRFCError(int code, const QString &message)
        : Exception(message, "EIdReplyRFCError"), m_code(code) {}
    int ErrorCode() const noexcept { return m_code; }

private:
    int m_code;
};

// A reply that breaks the protocol: no code, a line or a reply beyond the size limits.
class EIdFTPProtocolError : public Exception
{
public:
    explicit EIdFTPProtocolError(const QString &message)
        : Exception(message, "EIdFTPProtocolError") {}
};

// TLS could not be negotiated or failed on a connection.
class EIdOSSLError : public Exception
{
public:
    explicit EIdOSSLError(const QString &message, const char *className = "EIdOSSLConnectError")
        : Exception(message, className) {}
};

// A listing in a format no interpreter understands.
class EIdFTPListParseError : public Exception
{
public:
    explicit EIdFTPListParseError(const QString &message)
        : Exception(message, "EIdFTPListParseError") {}
};

// A command argument that would break the command line (CR, LF or NUL).
class EIdFTPCommandError : public Exception
{
public:
    explicit EIdFTPCommandError(const QString &message)
        : Exception(message, "EIdFTPCommandError") {}
};
