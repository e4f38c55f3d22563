#include "FtpTestSupport.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::unique_ptr<TIdFTP> MakeTestClient(quint16 port, TIdUseTLS mode,
                                       TIdSSLIOHandlerSocketOpenSSL *tls)
{
    auto ftp = std::make_unique<TIdFTP>();
    ftp->SetIOHandler(tls);
    ftp->SetHost(QStringLiteral("127.0.0.1"));
    ftp->SetPort(port);
    ftp->SetUseTLS(mode);
    ftp->SetPort(port);
    ftp->SetUsername(QStringLiteral("user"));
    ftp->SetPassword(QStringLiteral("secret"));
    ftp->SetPassive(true);
    ftp->SetReadTimeout(10000);
    if (mode != utNoTLSSupport)
        ftp->SetDataPortProtection(ftpdpsPrivate);
    return ftp;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray BinaryPayload(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 256) & 0xFF);
    // Line ends an ASCII-mode transfer would rewrite.
    if (size > 10) {
        data[3] = '\n';
        data[4] = '\r';
        data[5] = '\n';
    }
    return data;
}

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << "{ ";
    for (const QString &item : list) {
        PrintTo(item, out);
        *out << ' ';
    }
    *out << '}';
}

QStringList CommandsAfterLogin(const QStringList &commands)
{
    return commands.mid(commands.indexOf(QStringLiteral("SYST")) + 1);
}

std::unique_ptr<TFTPConnection> TestConnection(const QString &name, quint16 port,
                                               const QString &user, const QString &password)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(name);
    conn->SetHost(QStringLiteral("127.0.0.1"));
    conn->SetPort(port);
    conn->SetUserName(user);
    conn->SetPassword(password);
    return conn;
}

TCopyProject UploadProject(const QString &SourceFolder, const QString &Pattern,
                           TOverwriteFile Overwrite, const QString &OutputFolder)
{
    TCopyProject project;
    project.SetProjectName(QStringLiteral("Site"));
    project.SetSourceFolder(SourceFolder + QLatin1Char('/'));
    project.AddSourceRow(Pattern, false, false);
    project.SetOutputFolder(OutputFolder);
    project.SetFTPConnName(QStringLiteral("Test server"));
    project.SetOverwrite(Overwrite);
    return project;
}

QStringList Lines(std::initializer_list<const char *> lines)
{
    QStringList result;
    for (const char *line : lines)
        result.append(QString::fromUtf8(line));
    return result;
}

QString Ipv6LoopbackProblem()
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    QString problem;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        problem = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return problem;
}
