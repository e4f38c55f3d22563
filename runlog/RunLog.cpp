#include "runlog/RunLog.h"

#include "settings/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace {

QString errorClassName(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return QString::fromLatin1(own->ClassName());
    int status = 0;
    char *demangled = abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled : typeid(error).name());
    std::free(demangled);
    return name;
}

QString errorMessage(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->Message();
    return QString::fromUtf8(error.what());
}

QString moduleName()
{
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                      : QString();
    return path.isEmpty() ? QStringLiteral("rovanel") : QFileInfo(path).fileName();
}

} // namespace

QString FormatExceptionLine(const std::exception &error, const void *address)
{
    const QString message = errorMessage(error);
    QString text = QStringLiteral("Exception %1 in module %2 at %3.\r\n")
                       .arg(errorClassName(error), moduleName(),
                            QStringLiteral("%1")
                                .arg(quintptr(address), int(sizeof(void *) * 2), 16,
                                     QLatin1Char('0'))
                                .toUpper());
    text += message;
    if (!message.isEmpty() && !message.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    text += QStringLiteral("\r\n");
    // The platform's description is limited to 1023 characters.
    text.truncate(1023);

    // Trailing line ends, and a full stop that stands alone on the last line, go.
    for (;;) {
        if (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        else if (text.endsWith(QLatin1String("\n.")))
            text.chop(1);
        else
            break;
    }

    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    if (lf >= 0 && text.left(lf).contains(QLatin1String(" at ")) && lf + 1 < text.size())
        text = text.mid(lf + 1);
    return text;
}

void TRunLog::LogException(const std::exception &error)
{
    const QString line = FormatExceptionLine(error, __builtin_return_address(0));
    Log(line);
    TRunEvent event;
    event.Kind = TRunEventKind::Error;
    event.Message = line;
    Event(event);
}

void TRunLog::LogError(const QString &line)
{
    Log(line);
    TRunEvent event;
    event.Kind = TRunEventKind::Error;
    event.Message = line;
    Event(event);
}

void TRunLog::Event(const TRunEvent &event)
{
    (void)event;
}

bool TRunLog::StopRequested() const
{
    return false;
}

int TRunLog::StopDescriptor() const
{
    return -1;
}

bool TRunLog::AskPassword(const QString &, const QString &, bool &, QString &password)
{
    password.clear();
    return false;
}

bool TRunLog::AskTrustCertificate(const TCertificateInfo &)
{
    return true;
}
