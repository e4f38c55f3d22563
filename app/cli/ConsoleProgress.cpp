#include "app/cli/ConsoleProgress.h"

#include "engine/LogText.h"

#include <algorithm>

namespace {

struct CodeRange
{
    char32_t First;
    char32_t Last;
};

// East Asian wide and fullwidth characters, and the emoji that terminals show two columns wide.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

int columnsOf(char32_t code)
{
    switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return 0;
    default:
        break;
    }
    for (const CodeRange &range : kWide) {
        if (code >= range.First && code <= range.Last)
            return 2;
    }
    return 1;
}

// The character at text[i] (a surrogate pair read as one); i moves past it.
char32_t nextCode(const QString &text, qsizetype &i)
{
    const QChar first = text.at(i++);
    if (first.isHighSurrogate() && i < text.size() && text.at(i).isLowSurrogate())
        return QChar::surrogateToUcs4(first, text.at(i++));
    return first.unicode();
}

// The longest start of text that takes at most `columns` columns. A surrogate pair is never
// split, and the combining marks after the last character kept stay with it.
QString cutToColumns(const QString &text, int columns)
{
    int used = 0;
    qsizetype end = 0;
    for (qsizetype i = 0; i < text.size();) {
        const int width = columnsOf(nextCode(text, i));
        if (used + width > columns)
            break;
        used += width;
        end = i;
    }
    return text.left(end);
}

} // namespace

QString ProgressLineText(const TRunTally &counts, std::chrono::milliseconds elapsed, bool preview,
                         int columns)
{
    const QString figures = CountText(qint64(counts.Copied) + counts.Replaced)
                            + (preview ? QStringLiteral(" to copy, ") : QStringLiteral(" copied, "))
                            + CountText(counts.Existed) + QStringLiteral(" existed, ")
                            + CountText(counts.Skipped) + QStringLiteral(" skipped, ")
                            + CountText(counts.Failed) + QStringLiteral(" failed, ")
                            + ByteText(counts.Bytes) + QStringLiteral(", ")
                            + ProgressElapsed(elapsed);
    // One column is left free: a line that fills the last column makes some terminals wrap.
    const int room = std::max(columns - 1, 0);

    const QString name = ShownInLog(counts.Project);
    QString ofProjects;
    if (counts.Projects > 1 && counts.ProjectNumber > 0) {
        ofProjects = QStringLiteral("(%1 of %2)")
                         .arg(CountText(counts.ProjectNumber), CountText(counts.Projects));
        if (!name.isEmpty())
            ofProjects.prepend(QLatin1Char(' '));
    }
    if (name.isEmpty() && ofProjects.isEmpty())
        return cutToColumns(figures, room);
    const QString after = ofProjects + QStringLiteral(": ") + figures;
    const int nameRoom = room - TerminalColumns(after);
    if (TerminalColumns(name) <= nameRoom)
        return name + after;
    static const QString ellipsis = QStringLiteral("...");
    // A name cut to fewer than a few characters tells nothing; then the end of the line goes.
    constexpr int kShortestName = 4;
    if (nameRoom - int(ellipsis.size()) >= kShortestName)
        return cutToColumns(name, nameRoom - int(ellipsis.size())) + ellipsis + after;
    const QString start = cutToColumns(name, kShortestName);
    return cutToColumns(start.size() < name.size() ? start + ellipsis + after : name + after, room);
}

QString ProgressElapsed(std::chrono::milliseconds elapsed)
{
    const qint64 seconds = std::max<qint64>(elapsed.count(), 0) / 1000;
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int TerminalColumns(const QString &text)
{
    int columns = 0;
    for (qsizetype i = 0; i < text.size();)
        columns += columnsOf(nextCode(text, i));
    return columns;
}
