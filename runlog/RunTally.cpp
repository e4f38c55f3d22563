#include "runlog/RunTally.h"

#include <QLocale>

bool TRunTally::Count(const TRunEvent &Event)
{
    switch (Event.Kind) {
    case TRunEventKind::RunStarted:
        *this = TRunTally();
        Projects = Event.Projects;
        return true;
    case TRunEventKind::ProjectStarted:
        Project = Event.Project;
        ++ProjectNumber;
        return true;
    case TRunEventKind::ProjectEnded:
        ++ProjectsEnded;
        return true;
    case TRunEventKind::FileCopied:
        ++Copied;
        Bytes += Event.Bytes;
        return true;
    case TRunEventKind::FileReplaced:
        ++Replaced;
        Bytes += Event.Bytes;
        return true;
    case TRunEventKind::FileExisted:
        ++Existed;
        return true;
    case TRunEventKind::FileSkipped:
        ++Skipped;
        return true;
    case TRunEventKind::FileFailed:
        ++Failed;
        return true;
    case TRunEventKind::Error:
        ++Errors;
        return true;
    case TRunEventKind::RunEnded:
        return false;
    }
    return false;
}

QString CountText(qint64 Count)
{
    // In English whatever the machine's locale, as the log is.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(Count);
}

QString ByteText(qint64 Bytes)
{
    if (Bytes < 1000)
        return CountText(Bytes) + (Bytes == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
    static const char *const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(Bytes);
    int unit = -1;
    while (value >= 999.95 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString DurationText(qint64 Milliseconds)
{
    if (Milliseconds < 10000)
        return QStringLiteral("%1 s").arg(double(Milliseconds) / 1000, 0, 'f', 1);
    const qint64 seconds = (Milliseconds + 500) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60);
}

QString RunSummaryText(const TRunTally &Tally, qint64 Milliseconds, TRunEnd End)
{
    const QString duration = DurationText(Milliseconds);
    QString text;
    switch (End) {
    case TRunEnd::Done:
        text = QStringLiteral("Done in ") + duration;
        break;
    case TRunEnd::Stopped:
        text = QStringLiteral("Stopped after ") + duration;
        break;
    case TRunEnd::Preview:
        text = QStringLiteral("Preview done in ") + duration;
        break;
    }
    const QString copied = End == TRunEnd::Preview ? QStringLiteral(" to copy")
                                                   : QStringLiteral(" copied");
    text += QStringLiteral(": ") + CountText(qint64(Tally.Copied) + Tally.Replaced) + copied;
    if (Tally.Existed > 0)
        text += QStringLiteral(", ") + CountText(Tally.Existed)
                + QStringLiteral(" already existed");
    if (Tally.Skipped > 0)
        text += QStringLiteral(", ") + CountText(Tally.Skipped) + QStringLiteral(" skipped");
    text += QStringLiteral(", ") + CountText(Tally.Failed) + QStringLiteral(" failed");
    if (Tally.Errors > 0) {
        text += QStringLiteral(". Completed with ") + CountText(Tally.Errors)
                + (Tally.Errors == 1 ? QStringLiteral(" error.") : QStringLiteral(" errors."));
    }
    return text;
}
