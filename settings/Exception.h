#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The error type every layer raises. It carries the system's message text and a class name,
// which the run log shows when the message is empty ("Exception <class> in module ...").
// Subsystems derive their own kinds (list index errors, protocol errors, file errors) and pass
// their class name to the base.
class Exception : public std::exception
{
public:
    explicit Exception(const QString &message, const char *className = "Exception");

    const QString &Message() const noexcept { return FMessage; }
    const char *ClassName() const noexcept { return FClassName; }
    const char *what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
    const char *FClassName;
};

// "List index out of bounds (%d)": a position outside a list.
class EListError : public Exception
{
public:
    explicit EListError(const QString &message) : Exception(message, "EStringListError") {}
};
