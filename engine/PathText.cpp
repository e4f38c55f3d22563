#include "engine/PathText.h"

#include "settings/AsciiText.h"

bool IsFullPath(QStringView path)
{
    return path.startsWith(kPathDelim);
}

QString FolderPart(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(kPathDelim);
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QString(kPathDelim);
    return path.left(slash);
}

QString NamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(kPathDelim) + 1);
}

QString WithTrailingDelim(const QString &folder)
{
    if (folder.size() == 1 && folder.front() == kPathDelim)
        return folder;
    return folder + kPathDelim;
}

void ReplaceTag(QString &text, const QString &tag, const QString &value)
{
    if (tag.isEmpty())
        return;
    // Inserted values are not searched again: a tag inside a value waits for its own turn.
    QString result;
    qsizetype from = 0;
    qsizetype i = 0;
    while (i + tag.size() <= text.size()) {
        if (StartsWithTextAscii(QStringView(text).mid(i), tag)) {
            result += QStringView(text).mid(from, i - from);
            result += value;
            i += tag.size();
            from = i;
        } else {
            ++i;
        }
    }
    if (from == 0)
        return;
    result += QStringView(text).mid(from);
    text = result;
}

QString WithLocalSeparators(QString text)
{
    return text.replace(QLatin1Char('\\'), kPathDelim);
}
