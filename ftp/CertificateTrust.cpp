#include "ftp/CertificateTrust.h"

#include "ftp/FTPErrors.h"
#include "ftp/Socket.h"
#include "runlog/RunLog.h"
#include "settings/FileUpdateLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <arpa/inet.h>
#include <memory>
#include <mutex>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace CertificateTrust {

namespace {

const QLatin1String kDigestPrefix("SHA256:");

// Reading, deciding and recording happen under this lock, for every connection of the process.
std::mutex &TrustMutex()
{
    static std::mutex mutex;
    return mutex;
}

struct X509Free
{
    void operator()(X509 *certificate) const { X509_free(certificate); }
};

QString NameText(const X509_NAME *name)
{
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return QString();
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char *data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, qsizetype(length));
    BIO_free(bio);
    return text;
}

QDateTime TimeOf(const ASN1_TIME *time)
{
    tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return QDateTime();
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

// The trust file's lines as they are, without their line ends; none when it does not exist.
QList<QByteArray> ReadLines(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw EIdOSSLError(QStringLiteral("Could not read the trusted certificates from %1: %2")
                               .arg(path, file.errorString()));
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EIdOSSLError(QStringLiteral("Could not read the trusted certificates from %1: %2")
                               .arg(path, file.errorString()));
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // after the last line end
    return lines;
}

// The fingerprint recorded for address, or an empty text.
QString RecordedFingerprint(const QList<QByteArray> &lines, const QString &address)
{
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.simplified().split(QLatin1Char(' '));
        if (parts.size() < 2 || parts[0].compare(address, Qt::CaseInsensitive) != 0)
            continue;
        if (parts[1].startsWith(kDigestPrefix, Qt::CaseInsensitive))
            return parts[1].mid(kDigestPrefix.size()).toUpper();
    }
    return QString();
}

EIdCertificateRefused ChangedError(const QString &address, const QString &recorded,
                                   const QString &offered, const QString &path)
{
    return EIdCertificateRefused(
        QStringLiteral("The certificate of %1 has changed: recorded SHA-256 %2, offered SHA-256 "
                       "%3. If the server's certificate was replaced on purpose, remove the line "
                       "for %1 from %4.")
            .arg(address, recorded, offered, path));
}

EIdOSSLError RecordError(const QString &path, const QString &address, const QString &reason)
{
    return EIdOSSLError(QStringLiteral("Could not record the certificate of %1 in %2: %3")
                            .arg(address, path, reason));
}

void WriteLines(const QString &path, const QList<QByteArray> &lines, const QString &address)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw RecordError(path, address, file.errorString());
    for (const QByteArray &line : lines)
        file.write(line + '\n');
    if (!file.commit())
        throw RecordError(path, address, file.errorString());
}

// Adds the line for address to the trust file. Another program (a second window, rovanel-cli)
// may have recorded servers while the question was open: the file is read again under the
// update lock, so that their lines stay, and a different fingerprint it recorded for this
// address meanwhile counts as a change.
void Record(const QString &path, const QString &address, const QString &offered)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw RecordError(path, address,
                          QStringLiteral("the folder %1 cannot be made").arg(folder));
    const TFileUpdateLock update(path);
    if (!update.Error().isEmpty())
        throw RecordError(path, address, update.Error());
    QList<QByteArray> lines = ReadLines(path);
    const QString recorded = RecordedFingerprint(lines, address);
    if (recorded == offered)
        return;
    if (!recorded.isEmpty())
        throw ChangedError(address, recorded, offered, path);
    lines.append((address + QLatin1Char(' ') + kDigestPrefix + offered).toUtf8());
    WriteLines(path, lines, address);
}

} // namespace

QString TrustFilePath()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // XDG base directories must be absolute paths: a relative one is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Rovanel/trusted-certificates");
}

QString AddressText(const QString &host, quint16 port)
{
    QString name = BareHost(host).toLower();
    // One IPv6 address has many spellings ("::1", "0:0::1"); the file keys the shortest one
    // (RFC 5952), so that each server has one line whichever way its host is written.
    in6_addr ipv6{};
    char text[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET6, name.toLatin1().constData(), &ipv6) == 1
        && inet_ntop(AF_INET6, &ipv6, text, sizeof text))
        name = QString::fromLatin1(text);
    return HostAndPort(name, port);
}

QString Fingerprint(X509 *certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        return QString();
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), qsizetype(length)).toHex(':').toUpper());
}

TCertificateInfo Describe(X509 *certificate, const QString &address)
{
    TCertificateInfo info;
    info.Address = address;
    info.Subject = NameText(X509_get_subject_name(certificate));
    info.Issuer = NameText(X509_get_issuer_name(certificate));
    info.NotBefore = TimeOf(X509_get0_notBefore(certificate));
    info.NotAfter = TimeOf(X509_get0_notAfter(certificate));
    info.Fingerprint = Fingerprint(certificate);
    return info;
}

QString Check(SSL *ssl, const QString &host, quint16 port, TRunLog *log)
{
    const QString address = AddressText(host, port);
    const std::unique_ptr<X509, X509Free> certificate(SSL_get1_peer_certificate(ssl));
    if (!certificate)
        throw EIdCertificateRefused(
            QStringLiteral("The server at %1 offered no certificate.").arg(address));
    const QString offered = Fingerprint(certificate.get());
    if (offered.isEmpty())
        throw EIdOSSLError(QStringLiteral("The certificate of %1 could not be read.").arg(address));
    // The chain and the host name were checked during the handshake (TSocket::StartTls).
    const long verified = SSL_get_verify_result(ssl);
    if (verified == X509_V_OK)
        return offered;

    const std::lock_guard<std::mutex> lock(TrustMutex());
    const QString path = TrustFilePath();
    const QString recorded = RecordedFingerprint(ReadLines(path), address);
    if (recorded == offered)
        return offered;
    if (!recorded.isEmpty())
        throw ChangedError(address, recorded, offered, path);

    TCertificateInfo info = Describe(certificate.get(), address);
    info.Reason = QString::fromUtf8(X509_verify_cert_error_string(verified));
    if (log && !log->AskTrustCertificate(info))
        throw EIdCertificateRefused(
            QStringLiteral("The certificate of %1 was not trusted.").arg(address));
    Record(path, address, offered);
    if (log)
        log->Log(QStringLiteral("Certificate of %1 trusted on first use (SHA-256 %2), recorded "
                                "in %3.")
                     .arg(address, offered, path));
    return offered;
}

} // namespace CertificateTrust
