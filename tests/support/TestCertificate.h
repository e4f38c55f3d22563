#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

// A self-signed certificate for test servers on 127.0.0.1, made once per test program.
class TestCertificate
{
public:
    static const TestCertificate &Get();

    // A TLS 1.2+ server context with the certificate; the caller frees it.
    SSL_CTX *NewServerContext() const;
    // Writes key and certificate as PEM files into dir; returns false on failure.
    bool WriteFiles(const QString &dir, QString &keyPath, QString &certPath) const;

private:
    TestCertificate();
    QByteArray FKeyPem;
    QByteArray FCertPem;
};
