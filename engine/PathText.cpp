#include "engine/PathText.h"

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

namespace {

char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

} // namespace

bool StartsWithAsciiCI(QStringView text, QStringView prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (asciiUpper(text[i].unicode()) != asciiUpper(prefix[i].unicode()))
            return false;
    }
    return true;
}

QString AsciiUpper(QStringView text)
{
    QString result(text.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(asciiUpper(text[i].unicode()));
    return result;
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
        if (StartsWithAsciiCI(QStringView(text).mid(i), tag)) {
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
