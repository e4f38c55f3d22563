#pragma once

#include <QDateTime>
#include <QString>

// A server certificate as the user is shown it before trusting it on first use.
struct TCertificateInfo
{
    // Where it was offered: "127.0.0.1:2121", "[::1]:21", "ftp.example.com:21".
    QString Address;
    QString Subject;
    QString Issuer;
    QDateTime NotBefore; // UTC
    QDateTime NotAfter;  // UTC
    // SHA-256 of the DER certificate as upper-case hex pairs separated by ":".
    QString Fingerprint;
    // Why it was not accepted without asking ("self-signed certificate", "hostname mismatch").
    QString Reason;
};
