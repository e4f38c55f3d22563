#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// pyftpdlib started by a test over a temporary root folder, on 127.0.0.1 and a port it picks
// itself, and killed by its process id when the object goes. Mode is "plain", "explicit" or
// "implicit"; the TLS modes get a self-signed certificate written into a temporary folder.
class PyftpdServer
{
public:
    explicit PyftpdServer(const QString &mode);
    ~PyftpdServer();
    PyftpdServer(const PyftpdServer &) = delete;
    PyftpdServer &operator=(const PyftpdServer &) = delete;

    // Empty when the server is running; otherwise why it is not.
    const QString &Problem() const { return m_problem; }
    quint16 Port() const { return m_port; }
    // The folder the user "user" (password "secret") sees as "/".
    QString Root() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
    QTemporaryDir m_work;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_problem;
};
