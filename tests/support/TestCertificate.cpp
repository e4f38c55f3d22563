#include "support/TestCertificate.h"

#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdexcept>

namespace {

QByteArray BioText(BIO *bio)
{
    char *data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(length));
}

} // namespace

const TestCertificate &TestCertificate::Get()
{
    static const TestCertificate certificate;
    return certificate;
}

TestCertificate::TestCertificate()
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    X509 *cert = X509_new();
    if (!key || !cert)
        throw std::runtime_error("cannot make a test key");
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME *name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("localhost"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());

    BIO *keyBio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(keyBio, key, nullptr, nullptr, 0, nullptr, nullptr);
    FKeyPem = BioText(keyBio);
    BIO_free(keyBio);
    BIO *certBio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(certBio, cert);
    FCertPem = BioText(certBio);
    BIO_free(certBio);
    X509_free(cert);
    EVP_PKEY_free(key);
}

SSL_CTX *TestCertificate::NewServerContext() const
{
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    BIO *keyBio = BIO_new_mem_buf(FKeyPem.constData(), int(FKeyPem.size()));
    EVP_PKEY *key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    BIO_free(keyBio);
    BIO *certBio = BIO_new_mem_buf(FCertPem.constData(), int(FCertPem.size()));
    X509 *cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    BIO_free(certBio);
    SSL_CTX_use_certificate(ctx, cert);
    SSL_CTX_use_PrivateKey(ctx, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    static const unsigned char kContext[] = "rovanel-test";
    SSL_CTX_set_session_id_context(ctx, kContext, sizeof kContext - 1);
    return ctx;
}

bool TestCertificate::WriteFiles(const QString &dir, QString &keyPath, QString &certPath) const
{
    keyPath = dir + QStringLiteral("/key.pem");
    certPath = dir + QStringLiteral("/cert.pem");
    QFile keyFile(keyPath);
    QFile certFile(certPath);
    if (!keyFile.open(QIODevice::WriteOnly) || !certFile.open(QIODevice::WriteOnly))
        return false;
    return keyFile.write(FKeyPem) == FKeyPem.size() && certFile.write(FCertPem) == FCertPem.size();
}
