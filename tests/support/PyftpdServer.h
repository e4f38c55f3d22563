#pragma once

#include "support/TestCertificate.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// pyftpdlib started by a test over a temporary root folder, on 127.0.0.1 (or the loopback
// address given, such as ::1) and a port it picks itself, and killed by its process id when the
// object goes. Mode is "plain", "explicit" or
// "implicit"; the TLS modes get a certificate written into a temporary folder: the test
// program's self-signed one unless another is given.
// "slow" is plain FTP that takes uploads at a few dozen KiB/s, so that a test can stop the
// server in the middle of one.
class PyftpdServer
{
public:
    explicit PyftpdServer(const QString &mode,
                          const TestCertificate &certificate = TestCertificate::Get(),
                          const QString &address = QStringLiteral("127.0.0.1"));
    ~PyftpdServer();
    PyftpdServer(const PyftpdServer &) = delete;
    PyftpdServer &operator=(const PyftpdServer &) = delete;

    // Empty when the server is running; otherwise why it is not.
    const QString &Problem() const { return FProblem; }
    quint16 Port() const { return FPort; }
    // The address it listens on.
    const QString &Address() const { return FAddress; }
    // The folder the user "user" (password "secret") sees as "/".
    QString Root() const { return FRoot.path(); }
    // What the server wrote on stderr (its log), for failure messages.
    QString LogText() const;
    // The server's process id, for a test that stops it from another thread (SIGKILL).
    qint64 ProcessId() const { return FProcess.processId(); }
    // Kills the server (if it still runs) and starts a new one in the given mode over the same
    // root, on a new port; Problem() says whether that worked.
    void Restart(const QString &mode);

private:
    void Start();

    QString FMode;
    QString FAddress;
    TestCertificate FCertificate;
    QTemporaryDir FRoot;
    QTemporaryDir FWork;
    QProcess FProcess;
    quint16 FPort = 0;
    QString FProblem;
};
