#pragma once

#include "settings/Exception.h"

// Errors of the FTP client. Each kind carries its own class name, which the run log shows
// only when a message is empty.

// A network failure: a connection that cannot be made, breaks or is reset.
class EIdSocketError : public Exception
{
public:
    explicit EIdSocketError(const QString &message, const char *className = "EIdSocketError")
        : Exception(message, className)
    {}
};

// The peer closed the connection while a reply or data was awaited.
class EIdConnClosedGracefully : public EIdSocketError
{
public:
    explicit EIdConnClosedGracefully(const QString &message)
        : EIdSocketError(message, "EIdConnClosedGracefully")
    {}
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
        : Exception(message, "EIdReplyRFCError"), FCode(code)
    {}
    int ErrorCode() const noexcept { return FCode; }

private:
    int FCode;
};

// CWD answered 550: the server has no such folder (or will not let the client in, which a run
// cannot tell apart).
class ERemoteFolderMissing : public EIdReplyRFCError
{
public:
    ERemoteFolderMissing(int code, const QString &message) : EIdReplyRFCError(code, message) {}
};

// A reply that breaks the protocol: no code, a line or a reply beyond the size limits.
class EIdFTPProtocolError : public Exception
{
public:
    explicit EIdFTPProtocolError(const QString &message) : Exception(message, "EIdFTPProtocolError")
    {}
};

// TLS could not be negotiated or failed on a connection.
class EIdOSSLError : public Exception
{
public:
    explicit EIdOSSLError(const QString &message, const char *className = "EIdOSSLConnectError")
        : Exception(message, className)
    {}
};

// The server's certificate is not trusted: it differs from the one recorded for the host and
// port, or the user did not trust it on first use (see ftp/CertificateTrust.h).
class EIdCertificateRefused : public EIdOSSLError
{
public:
    explicit EIdCertificateRefused(const QString &message)
        : EIdOSSLError(message, "EIdCertificateRefused")
    {}
};

// The TLS handshake that follows an accepted AUTH failed (RFC 4217, 4).
class EIdTLSClientTLSHandShakeFailed : public EIdOSSLError
{
public:
    explicit EIdTLSClientTLSHandShakeFailed(const QString &message)
        : EIdOSSLError(message, "EIdTLSClientTLSHandShakeFailed")
    {}
};

// The server answered AUTH neither with acceptance nor with a refusal (RFC 4217, 4).
class EIdTLSClientStartTLSCmdFailed : public Exception
{
public:
    explicit EIdTLSClientStartTLSCmdFailed(const QString &message)
        : Exception(message, "EIdTLSClientStartTLSCmdFailed")
    {}
};

// A request the client itself cannot carry out, whatever the server would say.
class EIdFTPException : public Exception
{
public:
    explicit EIdFTPException(const QString &message, const char *className = "EIdFTPException")
        : Exception(message, className)
    {}
};

// A TLS mode was asked for on a client that has no TLS channel.
class EIdFTPNoIOHandler : public EIdFTPException
{
public:
    explicit EIdFTPNoIOHandler(const QString &message)
        : EIdFTPException(message, "EIdFTPNoIOHandler")
    {}
};

// TLS is required and the server refused every AUTH.
class EIdFTPNoTLSSupport : public EIdFTPException
{
public:
    explicit EIdFTPNoTLSSupport(const QString &message)
        : EIdFTPException(message, "EIdFTPNoTLSSupport")
    {}
};

// The source of an upload could not be read.
class EReadError : public Exception
{
public:
    explicit EReadError(const QString &message) : Exception(message, "EReadError") {}
};

// A listing in a format no interpreter understands.
class EIdFTPListParseError : public Exception
{
public:
    explicit EIdFTPListParseError(const QString &message)
        : Exception(message, "EIdFTPListParseError")
    {}
};

// A command argument that would break the command line (CR, LF or NUL).
class EIdFTPCommandError : public Exception
{
public:
    explicit EIdFTPCommandError(const QString &message) : Exception(message, "EIdFTPCommandError")
    {}
};
