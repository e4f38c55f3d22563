#include "support/PyftpdServer.h"

#include "support/TestCertificate.h"

#include <QFileInfo>

namespace {

const char *const kPython = "/usr/bin/python3";

} // namespace

PyftpdServer::PyftpdServer(const QString &mode)
{
    if (!QFileInfo::exists(QString::fromLatin1(kPython))) {
        m_problem = QStringLiteral("no /usr/bin/python3");
        return;
    }
    QStringList arguments{QStringLiteral(RV_TESTS_DIR "/fixtures/ftp/pyftpd_server.py"), m_root.path(), mode};
    if (mode != QLatin1String("plain")) {
        QString key;
        QString cert;
        if (!TestCertificate::Get().WriteFiles(m_work.path(), key, cert)) {
            m_problem = QStringLiteral("cannot write the certificate");
            return;
        }
        arguments << cert << key;
    }
    m_process.setStandardErrorFile(m_work.filePath(QStringLiteral("server.log")));
    m_process.start(QString::fromLatin1(kPython), arguments);
    if (!m_process.waitForStarted(10000)) {
        m_problem = QStringLiteral("cannot start pyftpdlib: ") + m_process.errorString();
        return;
    }
    QByteArray output;
    while (!output.contains('\n') && m_process.waitForReadyRead(20000))
        output += m_process.readAllStandardOutput();
    if (!output.startsWith("PORT ")) {
        m_problem = QStringLiteral("pyftpdlib did not start (is python3-pyftpdlib installed?): ") + QString::fromUtf8(output);
        return;
    }
    m_port = quint16(output.mid(5).trimmed().toUInt());
}

PyftpdServer::~PyftpdServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill(); // our own child, by its process id
        m_process.waitForFinished(10000);
    }
}
