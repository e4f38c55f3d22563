#include "engine/OutputSide.h"

#include "engine/PathText.h"
#include "ftp/FTPListParse.h"

QString ToFTPPath(const QString &path)
{
    // The local separator is already the remote one here; the conversion stays explicit so
    // that a port to a system with another separator keeps remote paths right.
    QString result = path;
    if (kPathDelim != QLatin1Char('/'))
        result.replace(kPathDelim, QLatin1Char('/'));
    return result;
}

bool TOutputFacts::IsOlderThan(TDateTime sourceAge) const
{
    if (AgePrecision > 1)
        sourceAge = CutToListedPrecision(sourceAge, AgePrecision);
    return Age < sourceAge;
}
