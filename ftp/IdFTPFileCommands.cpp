// File commands on the control connection.
#include "ftp/IdFTP.h"

void TIdFTP::Rename(const QString &from, const QString &to)
{
    // Both lines are checked before the first goes out, so a refused name sends nothing.
    CheckCommand(QStringLiteral("RNTO ") + to);
    SendCmd(QStringLiteral("RNFR ") + from, {350});
    SendCmd(QStringLiteral("RNTO ") + to, {200, 250});
}

void TIdFTP::Delete(const QString &name)
{
    SendCmd(QStringLiteral("DELE ") + name, {200, 250});
}
