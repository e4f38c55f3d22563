#include "projects/NumberedRowIndex.h"

#include "settings/StringList.h"

#include <algorithm>
#include <limits>

namespace {

// Splits a name of the form Before + k + "]" into the length of Before and k. False when the
// name does not end in "]", k has no digits or a leading zero, or k is outside 1..INT32_MAX.
bool SplitRowName(const QString &name, qsizetype &beforeLength, int32_t &k)
{
    const qsizetype close = name.size() - 1;
    if (close < 1 || name.at(close) != QLatin1Char(']'))
        return false;
    qsizetype first = close;
    while (first > 0 && name.at(first - 1).unicode() >= '0' && name.at(first - 1).unicode() <= '9')
        --first;
    const qsizetype digits = close - first;
    if (digits == 0 || digits > 10 || name.at(first) == QLatin1Char('0'))
        return false;
    int64_t value = 0;
    for (qsizetype i = first; i < close; ++i)
        value = value * 10 + (name.at(i).unicode() - '0');
    if (value > std::numeric_limits<int32_t>::max())
        return false;
    beforeLength = first;
    k = int32_t(value);
    return true;
}

} // namespace

TNumberedRowIndex::TNumberedRowIndex(const TStringList &List) : FCaseSensitive(List.CaseSensitive())
{
    const QChar separator = List.NameValueSeparator();
    for (int i = 0; i < List.Count(); ++i) {
        const QString line = List.Strings(i);
        const qsizetype sep = line.indexOf(separator);
        if (sep < 0)
            continue; // a line without separator has no name
        const QString name = line.left(sep);
        qsizetype beforeLength = 0;
        int32_t k = 0;
        if (SplitRowName(name, beforeLength, k))
            FRows[Key(name.left(beforeLength))].push_back(k);
    }
}

std::vector<int32_t> TNumberedRowIndex::Find(const QString &Before, int32_t MaxIndex) const
{
    std::vector<int32_t> result;
    auto it = FRows.constFind(Key(Before));
    if (it == FRows.constEnd())
        return result;
    for (int32_t k : it.value())
        if (k <= MaxIndex)
            result.push_back(k);
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

QString TNumberedRowIndex::Key(const QString &S) const
{
    // The same per-code-unit upper-casing the list's name lookups use keeps Before's key and a
    // line's key comparable piece by piece.
    return FCaseSensitive ? S : UpperCaseKey(S);
}
