// Setting a remote file's modification time: MFMT where the server has it, else one of the
// MDTM dialects servers use for setting (RFC 3659 defines MDTM for reading only).
#include "ftp/IdFTP.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace {

QString Stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyyMMddHHmmss"));
}

// The time of a "213 YYYYMMDDHHMMSS[.sss]" reply to an MDTM query, which RFC 3659 gives in
// UTC; invalid when the reply holds none.
QDateTime ListedUtc(const TIdFTPReply &reply)
{
    if (reply.Code != 213 || reply.Text.isEmpty())
        return QDateTime();
    static const QRegularExpression stamp(QStringLiteral("^\\s*(\\d{14})"));
    const QRegularExpressionMatch m = stamp.match(reply.Text.first());
    if (!m.hasMatch())
        return QDateTime();
    QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    if (!when.isValid())
        return QDateTime();
    when.setTimeZone(QTimeZone::utc());
    return when;
}

// A reading taken as UTC: the same digits, read as a UTC time.
QDateTime DigitsAsUtc(const QDateTime &when)
{
    return QDateTime(when.date(), when.time(), QTimeZone::utc());
}

} // namespace

namespace {

// The instant as it is set: whole seconds.
QDateTime WholeSeconds(TDateTime utcTime)
{
    QDateTime utc = QDateTimeFromDateTime(utcTime, Qt::UTC);
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc;
}

} // namespace

QString TIdFTP::ModTimeCommand(const QString &name, TDateTime utcTime) const
{
    // Everything starts from the instant: its local reading carries the offset in force at that
    // instant, which stays right across a daylight-saving change and in the hour that repeats.
    const QDateTime utc = WholeSeconds(utcTime);
    const QDateTime local = utc.toLocalTime();
    const TIdFTPCapabilities &caps = FFacts.Capabilities;
    const QString &server = FFacts.ServerDesc;
    if (caps.MFMT)
        return QStringLiteral("MFMT ") + Stamp(utc) + QLatin1Char(' ') + name;
    if (caps.MDTMSetsUtc || server.startsWith(QLatin1String("Microsoft FTP Service")))
        return QStringLiteral("MDTM ") + Stamp(utc) + QLatin1Char(' ') + name;
    if (caps.MDTMSetsLocalWithOffset || server.startsWith(QLatin1String("Serv-U "))
        || server.startsWith(QLatin1String("BPFTP Server "))) {
        const int offset = local.offsetFromUtc() / 60;
        const QString zone = offset < 0 ? QStringLiteral("-%1").arg(-offset)
                                        : QStringLiteral("+%1").arg(offset);
        return QStringLiteral("MDTM ") + Stamp(local) + zone + QLatin1Char(' ') + name;
    }
    if (FFacts.ServerUtcOffset) {
        const QDateTime serverTime = utc.toOffsetFromUtc(*FFacts.ServerUtcOffset * 60);
        return QStringLiteral("MDTM ") + Stamp(serverTime) + QLatin1Char(' ') + name;
    }
    if (FFacts.MDTMReading == TIdMDTMReading::Utc)
        return QStringLiteral("MDTM ") + Stamp(utc) + QLatin1Char(' ') + name;
    // The local reading, as servers that read it in their own zone expect; where it is also the
    // UTC reading nothing needs asking back.
    if (FFacts.MDTMReading == TIdMDTMReading::LocalTime || local.offsetFromUtc() == 0)
        return QStringLiteral("MDTM ") + Stamp(local) + QLatin1Char(' ') + name;
    return QString();
}

void TIdFTP::SetModTime(const QString &name, TDateTime utcTime)
{
    const QString command = ModTimeCommand(name, utcTime);
    if (command.isEmpty()) {
        const QDateTime utc = WholeSeconds(utcTime);
        SetModTimeReadBack(name, utc, utc.toLocalTime());
        return;
    }
    SendCmd(command, {200, 213, 253});
}

void TIdFTP::SetModTimeReadBack(const QString &name, const QDateTime &utc, const QDateTime &local)
{
    // Only while the server's reading is not known and the local reading differs from UTC
    // (ModTimeCommand covers the rest). The local reading first, as servers that read it in
    // their own zone expect.
    const QString suffix = QLatin1Char(' ') + name;
    SendCmd(QStringLiteral("MDTM ") + Stamp(local) + suffix, {200, 213, 253});
    // Servers that list in UTC (vsftpd among them) read that time as UTC, and their listing
    // would show the file hours off. What the server now holds tells which reading it used;
    // a server that cannot say is taken to read local times, and is not asked again.
    const QDateTime held = ListedUtc(SendCmd(QStringLiteral("MDTM") + suffix, {}));
    if (held.isValid() && held == DigitsAsUtc(local)) {
        FFacts.MDTMReading = TIdMDTMReading::Utc;
        SendCmd(QStringLiteral("MDTM ") + Stamp(utc) + suffix, {200, 213, 253});
    } else {
        FFacts.MDTMReading = TIdMDTMReading::LocalTime;
    }
}
