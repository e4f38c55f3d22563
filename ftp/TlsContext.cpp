#include "ftp/TlsContext.h"

#include "ftp/FTPErrors.h"

#include <openssl/err.h>

TTlsContext::TTlsContext()
{
    FCtx = SSL_CTX_new(TLS_client_method());
    if (!FCtx)
        throw EIdOSSLError(TakeTlsErrorText(QStringLiteral("Could not create the TLS context.")),
                           "EIdOSSLCreatingContextError");
    SSL_CTX_set_min_proto_version(FCtx, TLS1_2_VERSION);
    // The handshake goes on whatever the certificate; its verdict (the chain against the
    // system's authorities, the host name set per connection) is read after it, and
    // CertificateTrust decides, with a message of its own for each case.
    SSL_CTX_set_verify(FCtx, SSL_VERIFY_NONE, nullptr);
    // OpenSSL's default places; SSL_CERT_FILE and SSL_CERT_DIR name others.
    SSL_CTX_set_default_verify_paths(FCtx);
    SSL_CTX_set_app_data(FCtx, this);
    // Keep sessions ourselves: only those of the control connection are offered again.
    SSL_CTX_set_session_cache_mode(FCtx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(FCtx, &TTlsContext::NewSessionCallback);
}

TTlsContext::~TTlsContext()
{
    ClearSession();
    SSL_CTX_free(FCtx);
}

void TTlsContext::SetControl(SSL *ssl)
{
    if (ssl != FControl)
        ClearSession();
    FControl = ssl;
}

void TTlsContext::ClearSession()
{
    if (FSession) {
        SSL_SESSION_free(FSession);
        FSession = nullptr;
    }
}

int TTlsContext::NewSessionCallback(SSL *ssl, SSL_SESSION *session)
{
    auto *self = static_cast<TTlsContext *>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (!self || ssl != self->FControl)
        return 0;
    self->ClearSession();
    self->FSession = session;
    return 1; // we keep the reference OpenSSL handed us
}

QString TakeTlsErrorText(const QString &fallback)
{
    unsigned long code = 0;
    unsigned long last = 0;
    while ((code = ERR_get_error()) != 0)
        last = code;
    if (last == 0)
        return fallback;
    char text[256];
    ERR_error_string_n(last, text, sizeof text);
    return QString::fromLatin1(text);
}
