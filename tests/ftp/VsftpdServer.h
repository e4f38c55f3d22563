#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// vsftpd run in the foreground by a test with a configuration file of its own, on 127.0.0.1 and
// a free port, over a temporary root folder; killed by its process id when the object goes.
// It logs in a system user of its own ("rovanelftp", created when missing) through a PAM
// service file of its own, so it needs root; without root, Problem() says so.
// Mode "plain" has no TLS; "explicit" requires AUTH TLS for login and data, with the data
// connections resuming the control connection's TLS session; "implicit" is TLS from the first
// byte with the same requirements.
class VsftpdServer
{
public:
    explicit VsftpdServer(const QString &mode);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer &) = delete;
    VsftpdServer &operator=(const VsftpdServer &) = delete;

    static QString UserName();
    static QString Password();

    const QString &Problem() const { return FProblem; }
    quint16 Port() const { return FPort; }
    QString Root() const { return FRoot.path(); }
    // The server's own log, for failure messages.
    QString LogText() const;

private:
    QTemporaryDir FRoot;
    QTemporaryDir FWork;
    QProcess FProcess;
    quint16 FPort = 0;
    QString FProblem;
};
