#include "settings/Exception.h"

Exception::Exception(const QString &message, const char *className)
    : FMessage(message), FUtf8(message.toUtf8()), FClassName(className)
{}
