#include "settings/Exception.h"

Exception::Exception(const QString &message, const char *className)
    : m_message(message), m_utf8(message.toUtf8()), m_className(className)
{
}
