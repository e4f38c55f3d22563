#include "support/TestCertificate.h"

#include <QCryptographicHash>
#include <QFile>

#include <initializer_list>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <utility>

namespace {

QByteArray BioText(BIO *bio)
{
    char *data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(length));
}

EVP_PKEY *ReadKey(const QByteArray &pem)
{
    BIO *bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    EVP_PKEY *key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return key;
}

X509 *ReadCertificate(const QByteArray &pem)
{
    BIO *bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    X509 *cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return cert;
}

void AddExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!extension)
        throw std::runtime_error("cannot make a certificate extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

// A new key and a certificate for it, signed by issuer (itself when issuerCert is null).
// commonName names the subject; the extensions are (nid, value) pairs.
void Make(const char *commonName, X509 *issuerCert, EVP_PKEY *issuerKey,
          std::initializer_list<std::pair<int, const char *>> extensions, QByteArray &keyPem,
          QByteArray &certPem)
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    X509 *cert = X509_new();
    if (!key || !cert)
        throw std::runtime_error("cannot make a test key");
    X509_set_version(cert, 2);
    // A random serial, so that no two certificates of one issuer share one.
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM *number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME *name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert, issuerCert ? X509_get_subject_name(issuerCert) : name);
    for (const auto &[nid, value] : extensions)
        AddExtension(cert, issuerCert ? issuerCert : cert, nid, value);
    X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256());

    BIO *keyBio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(keyBio, key, nullptr, nullptr, 0, nullptr, nullptr);
    keyPem = BioText(keyBio);
    BIO_free(keyBio);
    BIO *certBio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(certBio, cert);
    certPem = BioText(certBio);
    BIO_free(certBio);
    X509_free(cert);
    EVP_PKEY_free(key);
}

} // namespace

const TestCertificate &TestCertificate::Get()
{
    static const TestCertificate certificate = SelfSigned();
    return certificate;
}

TestCertificate TestCertificate::SelfSigned()
{
    TestCertificate made;
    Make("localhost", nullptr, nullptr, {}, made.FKeyPem, made.FCertPem);
    return made;
}

TestCertificate TestCertificate::Authority(const char *commonName)
{
    TestCertificate made;
    Make(commonName, nullptr, nullptr,
         {{NID_basic_constraints, "critical,CA:TRUE"},
          {NID_key_usage, "critical,keyCertSign,cRLSign"},
          {NID_subject_key_identifier, "hash"}},
         made.FKeyPem, made.FCertPem);
    return made;
}

TestCertificate TestCertificate::IssuedBy(const TestCertificate &issuer, const char *subjectAltName)
{
    X509 *issuerCert = ReadCertificate(issuer.FCertPem);
    EVP_PKEY *issuerKey = ReadKey(issuer.FKeyPem);
    if (!issuerCert || !issuerKey)
        throw std::runtime_error("cannot read the issuing certificate");
    TestCertificate made;
    Make("Rovanel test server", issuerCert, issuerKey,
         {{NID_basic_constraints, "CA:FALSE"},
          {NID_ext_key_usage, "serverAuth"},
          {NID_subject_alt_name, subjectAltName},
          {NID_authority_key_identifier, "keyid:always"}},
         made.FKeyPem, made.FCertPem);
    X509_free(issuerCert);
    EVP_PKEY_free(issuerKey);
    return made;
}

QString TestCertificate::Sha256() const
{
    X509 *cert = ReadCertificate(FCertPem);
    unsigned char *der = nullptr;
    const int length = cert ? i2d_X509(cert, &der) : -1;
    X509_free(cert);
    if (length <= 0)
        return QString();
    const QByteArray bytes(reinterpret_cast<const char *>(der), length);
    OPENSSL_free(der);
    return QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(':').toUpper());
}

SSL_CTX *TestCertificate::NewServerContext() const
{
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    EVP_PKEY *key = ReadKey(FKeyPem);
    X509 *cert = ReadCertificate(FCertPem);
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
