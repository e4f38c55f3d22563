#include "app/gui/AppVersion.h"

#include "ProgramVersion.h"

#include <QSysInfo>

QString AppTitle()
{
    return QStringLiteral(RV_PROGRAM_NAME);
}

QString AppVersionShort()
{
    return QStringLiteral(RV_VERSION);
}

QString AppVersionLong()
{
    const QString arch = QSysInfo::buildCpuArchitecture();
    const QString name = arch == QLatin1String("x86_64") ? QStringLiteral("x64") : arch;
    return AppVersionShort() + QStringLiteral(" [") + name + QLatin1Char(']');
}

QString AppCopyrightText(int Year)
{
    return QStringLiteral("Copyright \u00A9 2006-20%1 Quorvel Software")
        .arg(Year - 2000, 2, 10, QLatin1Char('0'));
}

QString AppEditionText()
{
    return QStringLiteral("%1-Bit %2Edition").arg(int(sizeof(void *) * 8)).arg(QString());
}

QString AppMakerUrl()
{
    return QStringLiteral("https://quorvel.example/?referer=kelp64");
}
