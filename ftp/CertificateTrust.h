#pragma once

#include "runlog/CertificateInfo.h"

#include <QString>

#include <openssl/ssl.h>

class TRunLog;

// Whether a TLS server's certificate is trusted, decided after the handshake:
// - one that chains to the system's trusted authorities and names the host (OpenSSL checked
//   it during the handshake; see TSocket::StartTls) is accepted without a word;
// - any other is trusted on first use: the run log asks (TRunLog::AskTrustCertificate), and a
//   trusted one has its SHA-256 fingerprint recorded for host and port in the trust file, with
//   one log line;
// - one that differs from the recorded fingerprint is refused.
// The trust file holds one line per host and port, "127.0.0.1:2121 SHA256:AB:CD:...", or
// "[::1]:21 SHA256:..." for an IPv6 address; other lines, comments ("#") included, are kept
// as they are. Reading, deciding and recording happen under one process-wide lock, so that
// connections of one run that meet a new server at once ask once and record once.
namespace CertificateTrust {

// $XDG_DATA_HOME/Rovanel/trusted-certificates, or ~/.local/share/Rovanel/trusted-certificates
// when XDG_DATA_HOME is unset, empty or not an absolute path.
QString TrustFilePath();

// "host:port", with an IPv6 address in brackets and in its shortest form ("[::1]:21", whether
// the host is written "::1", "[::1]" or "0:0::1"); host names in lower case.
QString AddressText(const QString &host, quint16 port);

// SHA-256 of the DER certificate as upper-case hex pairs separated by ":".
QString Fingerprint(X509 *certificate);

// What the user is shown of a certificate.
TCertificateInfo Describe(X509 *certificate, const QString &address);

// Decides on the certificate of an open TLS connection to host and port, as above. Raises
// EIdCertificateRefused when it is not trusted (changed, or the user said no), and an
// EIdOSSLError when the server offered none or the trust file cannot be read or written.
// log, when given, is asked and told; without one a new certificate is trusted and recorded
// silently. Returns the certificate's fingerprint.
QString Check(SSL *ssl, const QString &host, quint16 port, TRunLog *log);

} // namespace CertificateTrust
