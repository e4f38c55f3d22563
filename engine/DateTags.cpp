#include "engine/DateTags.h"

#include "engine/PathText.h"

#include <QDateTime>

QString CurrentDateTag()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd"));
}

QString CurrentDateTimeTag()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
}

void ReplaceDateTags(QString &text)
{
    static const QString date = QStringLiteral("{Date}");
    static const QString dateTime = QStringLiteral("{DateTime}");
    if (text.contains(date, Qt::CaseInsensitive))
        ReplaceTag(text, date, CurrentDateTag());
    if (text.contains(dateTime, Qt::CaseInsensitive))
        ReplaceTag(text, dateTime, CurrentDateTimeTag());
}
