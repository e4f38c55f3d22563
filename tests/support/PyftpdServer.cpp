#include "support/PyftpdServer.h"

#include "support/TestCertificate.h"

#include <QFile>
#include <QFileInfo>

namespace {

const char *const kPython = "/usr/bin/python3";

} // namespace

PyftpdServer::PyftpdServer(const QString &mode, const TestCertificate &certificate,
                           const QString &address)
    : FMode(mode), FAddress(address), FCertificate(certificate)
{
    Start();
}

void PyftpdServer::Restart(const QString &mode)
{
    FMode = mode;
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        FProcess.waitForFinished(10000);
    }
    FPort = 0;
    FProblem.clear();
    Start();
}

void PyftpdServer::Start()
{
    const QString &mode = FMode;
    if (!QFileInfo::exists(QString::fromLatin1(kPython))) {
        FProblem = QStringLiteral("no /usr/bin/python3");
        return;
    }
    QStringList arguments{QStringLiteral(RV_TESTS_DIR "/fixtures/ftp/pyftpd_server.py"),
                          FRoot.path(), mode};
    if (mode == QLatin1String("explicit") || mode == QLatin1String("implicit")) {
        QString key;
        QString cert;
        if (!FCertificate.WriteFiles(FWork.path(), key, cert)) {
            FProblem = QStringLiteral("cannot write the certificate");
            return;
        }
        arguments << cert << key;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYFTPD_ADDRESS"), FAddress);
    FProcess.setProcessEnvironment(environment);
    FProcess.setStandardErrorFile(FWork.filePath(QStringLiteral("server.log")));
    FProcess.start(QString::fromLatin1(kPython), arguments);
    if (!FProcess.waitForStarted(10000)) {
        FProblem = QStringLiteral("cannot start pyftpdlib: ") + FProcess.errorString();
        return;
    }
    QByteArray output;
    while (!output.contains('\n') && FProcess.waitForReadyRead(20000))
        output += FProcess.readAllStandardOutput();
    if (!output.startsWith("PORT ")) {
        FProblem = QStringLiteral("pyftpdlib did not start (is python3-pyftpdlib installed?): ")
                   + QString::fromUtf8(output);
        return;
    }
    FPort = quint16(output.mid(5).trimmed().toUInt());
}

QString PyftpdServer::LogText() const
{
    QFile log(FWork.filePath(QStringLiteral("server.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

PyftpdServer::~PyftpdServer()
{
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill(); // our own child, by its process id
        FProcess.waitForFinished(10000);
    }
}
