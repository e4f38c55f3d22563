#include "AnyServer.h"

#include "VsftpdServer.h"
#include "support/PyftpdServer.h"

void PrintTo(const ServerCase &c, std::ostream *out)
{
    *out << c.Label;
}

AnyServer::AnyServer(const ServerCase &c)
{
    const QString mode = QString::fromLatin1(c.Mode);
    if (c.Vsftpd)
        FVsftpd = std::make_unique<VsftpdServer>(mode);
    else
        FPyftpd = std::make_unique<PyftpdServer>(mode);
}

AnyServer::~AnyServer() = default;

QString AnyServer::Problem() const
{
    return FVsftpd ? FVsftpd->Problem() : FPyftpd->Problem();
}

quint16 AnyServer::Port() const
{
    return FVsftpd ? FVsftpd->Port() : FPyftpd->Port();
}

QString AnyServer::Root() const
{
    return FVsftpd ? FVsftpd->Root() : FPyftpd->Root();
}

QString AnyServer::UserName() const
{
    return FVsftpd ? VsftpdServer::UserName() : QStringLiteral("user");
}

QString AnyServer::Password() const
{
    return FVsftpd ? VsftpdServer::Password() : QStringLiteral("secret");
}

QString AnyServer::LogText() const
{
    return FVsftpd ? FVsftpd->LogText() : FPyftpd->LogText();
}
