#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

// Certificates for test servers on 127.0.0.1: the self-signed one made once per test program
// (Get), and others a test makes for itself: another self-signed one, an authority, and
// certificates it issues for given names.
class TestCertificate
{
public:
    static const TestCertificate &Get();
    // A new self-signed certificate for CN=localhost, unlike every other.
    static TestCertificate SelfSigned();
    // A certificate authority (basicConstraints CA:TRUE) with the given common name.
    static TestCertificate Authority(const char *commonName);
    // A server certificate signed by issuer, naming subjectAltName ("IP:127.0.0.1",
    // "DNS:other.example").
    static TestCertificate IssuedBy(const TestCertificate &issuer, const char *subjectAltName);

    // A TLS 1.2+ server context with the certificate; the caller frees it.
    SSL_CTX *NewServerContext() const;
    // Writes key and certificate as PEM files into dir; returns false on failure.
    bool WriteFiles(const QString &dir, QString &keyPath, QString &certPath) const;
    // The certificate as PEM, e.g. for a file SSL_CERT_FILE names.
    const QByteArray &CertificatePem() const { return FCertPem; }
    // SHA-256 of the DER certificate as "AB:CD:...", worked out with Qt's hash.
    QString Sha256() const;

private:
    TestCertificate() = default;
    QByteArray FKeyPem;
    QByteArray FCertPem;
};
