// Directory commands on the control connection.
#include "ftp/IdFTP.h"

void TIdFTP::ChangeDir(const QString &dir)
{
    SendCmd(QStringLiteral("CWD ") + dir, {200, 250, 257});
}

void TIdFTP::MakeDir(const QString &name)
{
    SendCmd(QStringLiteral("MKD ") + name, {257});
}
