#pragma once

#include <QString>

#include <openssl/ssl.h>

// The TLS client settings of one FTP client: TLS 1.2 or newer, OpenSSL's default ciphers,
// the system's trusted authorities; a certificate that fails verification does not end the
// handshake (see ftp/CertificateTrust.h for what follows). It remembers the newest TLS session of
// the control connection so that every data connection can resume it; FTP servers such as vsftpd
// and proftpd refuse a data connection that does not (RFC 4217, section 10.2). Under TLS 1.3 the
// session ticket arrives after the handshake, so the session is taken from OpenSSL's new-session
// callback rather than read once after connecting.
class TTlsContext
{
public:
    TTlsContext();
    ~TTlsContext();
    TTlsContext(const TTlsContext &) = delete;
    TTlsContext &operator=(const TTlsContext &) = delete;

    SSL_CTX *Handle() const { return FCtx; }

    // The connection whose sessions are kept; nullptr when it closes.
    void SetControl(SSL *ssl);
    // The newest session of the control connection, owned by this object; may be nullptr.
    SSL_SESSION *ResumableSession() const { return FSession; }

private:
    static int NewSessionCallback(SSL *ssl, SSL_SESSION *session);
    void ClearSession();

    SSL_CTX *FCtx = nullptr;
    SSL *FControl = nullptr;
    SSL_SESSION *FSession = nullptr;
};

// The text of the newest error in OpenSSL's error queue (the queue is emptied), or fallback.
QString TakeTlsErrorText(const QString &fallback);
