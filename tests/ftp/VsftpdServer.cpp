#include "VsftpdServer.h"

#include "support/TestCertificate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <arpa/inet.h>
#include <cstdio>
#include <functional>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char *const kVsftpd = "/usr/sbin/vsftpd";
const char *const kPamService = "rovanel-test-ftp";
const char *const kHome = "/var/lib/rovanel-test-ftp";

bool WriteText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

bool RunTool(const QString &program, const QStringList &arguments,
             const QByteArray &input = QByteArray())
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForStarted(10000))
        return false;
    if (!input.isEmpty())
        tool.write(input);
    tool.closeWriteChannel();
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit
           && tool.exitCode() == 0;
}

// Tests run as parallel processes: several may set up the account at once, and the tools
// that edit /etc/passwd and /etc/shadow refuse while another holds the lock. Retried a while.
bool RunToolRetrying(const QString &program, const QStringList &arguments, const QByteArray &input,
                     const std::function<bool()> &done)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (RunTool(program, arguments, input) || done())
            return true;
        QThread::msleep(100);
    }
    return false;
}

// The system user and PAM service the server logs in with; made once per test program.
QString PrepareAccount()
{
    static const QString problem = [] {
        if (geteuid() != 0)
            return QStringLiteral("vsftpd tests need root (to add a user and a PAM service)");
        if (!QFileInfo::exists(QString::fromLatin1(kVsftpd)))
            return QStringLiteral("vsftpd is not installed");
        const QByteArray name = VsftpdServer::UserName().toLatin1();
        const auto exists = [name] { return getpwnam(name.constData()) != nullptr; };
        if (!exists()
            && !RunToolRetrying(QStringLiteral("useradd"),
                                {QStringLiteral("-M"), QStringLiteral("-d"), QLatin1String(kHome),
                                 QStringLiteral("-s"), QStringLiteral("/usr/sbin/nologin"),
                                 VsftpdServer::UserName()},
                                {}, exists))
            return QStringLiteral("cannot add the test user");
        // vsftpd changes into the account's home before its own root and refuses the login when
        // that fails. An account left by an older run may name a home that was never made.
        const passwd *account = getpwnam(name.constData());
        QString home = account && account->pw_dir ? QString::fromLocal8Bit(account->pw_dir)
                                                  : QString();
        if (home.isEmpty()) {
            home = QLatin1String(kHome);
            RunToolRetrying(QStringLiteral("usermod"),
                            {QStringLiteral("-d"), home, VsftpdServer::UserName()}, {},
                            [] { return false; });
        }
        if (!QDir().mkpath(home))
            return QStringLiteral("cannot make the test user's home folder");
        const QByteArray line = name + ':' + VsftpdServer::Password().toLatin1() + '\n';
        if (!RunToolRetrying(QStringLiteral("chpasswd"), {}, line, [] { return false; }))
            return QStringLiteral("cannot set the test user's password");
        // Written under another name and renamed, so a parallel test never reads half a file.
        const QString pamFile = QStringLiteral("/etc/pam.d/") + QLatin1String(kPamService);
        const QString partial = pamFile + QStringLiteral(".%1").arg(getpid());
        if (!WriteText(partial, "auth required pam_unix.so\naccount required pam_unix.so\nsession "
                                "required pam_permit.so\n")
            || std::rename(partial.toLocal8Bit().constData(), pamFile.toLocal8Bit().constData())
                   != 0)
            return QStringLiteral("cannot write the PAM service file");
        return QString();
    }();
    return problem;
}

quint16 FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

QString VsftpdServer::UserName()
{
    return QStringLiteral("rovanelftp");
}

QString VsftpdServer::Password()
{
    return QStringLiteral("Secret-42");
}

VsftpdServer::VsftpdServer(const QString &mode)
{
    FProblem = PrepareAccount();
    if (!FProblem.isEmpty())
        return;
    const passwd *user = getpwnam(UserName().toLatin1().constData());
    if (!user || chown(FRoot.path().toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
        FProblem = QStringLiteral("cannot hand the root folder to the test user");
        return;
    }
    const QString empty = FWork.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    FPort = FreePort();

    QByteArray config;
    config += "listen=YES\nlisten_address=127.0.0.1\nbackground=NO\n";
    config += "listen_port=" + QByteArray::number(FPort) + "\n";
    config += "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n";
    config += "pam_service_name=" + QByteArray(kPamService) + "\n";
    config += "secure_chroot_dir=" + empty.toLocal8Bit() + "\n";
    config += "local_root=" + FRoot.path().toLocal8Bit() + "\n";
    // "/" is the test folder.
    config += "chroot_local_user=YES\nallow_writeable_chroot=YES\n";
    // Containers rarely allow the sandbox and namespaces; the test does not need them.
    config += "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n";
    config += "vsftpd_log_file=" + FWork.filePath(QStringLiteral("vsftpd.log")).toLocal8Bit()
              + "\n";
    config += "xferlog_enable=YES\nlog_ftp_protocol=YES\n";
    if (mode != QLatin1String("plain")) {
        QString key;
        QString cert;
        if (!TestCertificate::Get().WriteFiles(FWork.path(), key, cert)) {
            FProblem = QStringLiteral("cannot write the certificate");
            return;
        }
        config += "ssl_enable=YES\nrsa_cert_file=" + cert.toLocal8Bit()
                  + "\nrsa_private_key_file=" + key.toLocal8Bit() + "\n";
        config += "ssl_tlsv1=NO\nssl_ciphers=HIGH\n";
        config += "require_ssl_reuse=YES\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\n";
        if (mode == QLatin1String("implicit"))
            config += "implicit_ssl=YES\n";
    }
    const QString configPath = FWork.filePath(QStringLiteral("vsftpd.conf"));
    if (!WriteText(configPath, config)) {
        FProblem = QStringLiteral("cannot write the configuration");
        return;
    }
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    // Listings and MDTM in UTC, whatever the machine's zone.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    FProcess.setProcessEnvironment(environment);
    FProcess.start(QString::fromLatin1(kVsftpd), {configPath});
    if (!FProcess.waitForStarted(10000)) {
        FProblem = QStringLiteral("cannot start vsftpd: ") + FProcess.errorString();
        return;
    }
    for (int i = 0; i < 200 && !Accepts(FPort); ++i) {
        if (FProcess.state() == QProcess::NotRunning) {
            FProblem = QStringLiteral("vsftpd stopped: ")
                       + QString::fromLocal8Bit(FProcess.readAll());
            return;
        }
        QThread::msleep(50);
    }
    if (!Accepts(FPort))
        FProblem = QStringLiteral("vsftpd does not listen");
}

VsftpdServer::~VsftpdServer()
{
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill(); // our own child, by its process id
        FProcess.waitForFinished(10000);
    }
}

QString VsftpdServer::LogText() const
{
    QFile file(FWork.filePath(QStringLiteral("vsftpd.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
