#include "settings/NumberedKeys.h"

#include <algorithm>

std::vector<int32_t> FindNumberedIndexes(const TStringList &List, const QString &Before,
                                         const QString &After, int32_t MaxIndex)
{
    std::vector<int32_t> result;
    if (MaxIndex < 1)
        return result;
    const bool exact = List.CaseSensitive();
    const QString before = exact ? Before : UpperCaseKey(Before);
    const QString after = exact ? After : UpperCaseKey(After);
    const QChar separator = List.NameValueSeparator();
    for (int i = 0; i < List.Count(); ++i) {
        const QString line = List.Strings(i);
        const qsizetype sep = line.indexOf(separator);
        if (sep < before.size() + after.size() + 1)
            continue;
        const QString name = exact ? line.left(sep) : UpperCaseKey(line.left(sep));
        if (!name.startsWith(before) || !name.endsWith(after))
            continue;
        const QStringView digits = QStringView(name).mid(before.size(),
                                                         sep - before.size() - after.size());
        // k is written without sign or leading zeros, and never exceeds 10 digits.
        if (digits.size() > 10 || digits[0] == QLatin1Char('0'))
            continue;
        int64_t k = 0;
        bool ok = true;
        for (QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                ok = false;
                break;
            }
            k = k * 10 + (c.unicode() - u'0');
        }
        if (ok && k >= 1 && k <= MaxIndex)
            result.push_back(int32_t(k));
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}
