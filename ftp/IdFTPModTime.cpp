// Setting a remote file's modification time: MFMT where the server has it, else one of the
// MDTM dialects servers use for setting (RFC 3659 defines MDTM for reading only).
#include "ftp/IdFTP.h"

#include <QTimeZone>

namespace {

QString Stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyyMMddHHmmss"));
}

} // namespace

void TIdFTP::SetModTime(const QString &name, TDateTime localTime)
{
    // The local reading is turned into an instant with the offset in force at that time, not
    // today's offset, so times on the other side of a daylight-saving change stay right.
    const QDateTime local = QDateTimeFromDateTime(localTime, Qt::LocalTime);
    const QDateTime utc = local.toUTC();
    const TIdFTPCapabilities &caps = FFacts.Capabilities;
    const QString &server = FFacts.ServerDesc;
    QString command;
    if (caps.MFMT) {
        command = QStringLiteral("MFMT ") + Stamp(utc) + QLatin1Char(' ') + name;
    } else if (caps.MDTMSetsUtc || server.startsWith(QLatin1String("Microsoft FTP Service"))) {
        command = QStringLiteral("MDTM ") + Stamp(utc) + QLatin1Char(' ') + name;
    } else if (caps.MDTMSetsLocalWithOffset || server.startsWith(QLatin1String("Serv-U "))
               || server.startsWith(QLatin1String("BPFTP Server "))) {
        const int offset = local.offsetFromUtc() / 60;
        const QString zone = offset < 0 ? QStringLiteral("-%1").arg(-offset)
                                        : QStringLiteral("+%1").arg(offset);
        command = QStringLiteral("MDTM ") + Stamp(local) + zone + QLatin1Char(' ') + name;
    } else if (FFacts.ServerUtcOffset) {
        const QDateTime serverTime = utc.toOffsetFromUtc(*FFacts.ServerUtcOffset * 60);
        command = QStringLiteral("MDTM ") + Stamp(serverTime) + QLatin1Char(' ') + name;
    } else {
        command = QStringLiteral("MDTM ") + Stamp(local) + QLatin1Char(' ') + name;
    }
    SendCmd(command, {200, 213, 253});
}
