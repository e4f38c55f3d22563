#include "app/cli/VerboseTrace.h"

#include "ftp/FTPTrace.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstring>
#include <mutex>

namespace {

std::FILE *traceStream = nullptr;
QtMessageHandler previousHandler = nullptr;
std::mutex traceMutex;

} // namespace

TVerboseTrace::TVerboseTrace(std::FILE *err)
{
    traceStream = err;
    FPrevious = qInstallMessageHandler(Handler);
    previousHandler = FPrevious;
    QLoggingCategory::setFilterRules(QLatin1String(lcFtpTrace().categoryName())
                                     + QStringLiteral(".debug=true"));
}

TVerboseTrace::~TVerboseTrace()
{
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(FPrevious);
    traceStream = nullptr;
    previousHandler = nullptr;
}

void TVerboseTrace::Handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtDebugMsg && context.category
        && std::strcmp(context.category, lcFtpTrace().categoryName()) == 0) {
        // Connections of a run may trace from several threads: one line at a time.
        const QByteArray line = QByteArrayLiteral("ftp: ") + text.toUtf8() + '\n';
        const std::lock_guard<std::mutex> lock(traceMutex);
        std::fwrite(line.constData(), 1, size_t(line.size()), traceStream);
        std::fflush(traceStream);
        return;
    }
    if (previousHandler)
        previousHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}
