#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

class TStringList;

// The rows of numbered lists whose entries are named Before + k + "]" (k from 1, decimal, no
// leading zeros), gathered for every Before at once in one pass over a settings list.
//
// A project's pattern rows are read by walking k = 1..count; a hand-edited count can be far
// larger than the rows present. One index built for a whole load answers "which k exist under
// this Before" for every project, so a file with many such counts still loads in time
// proportional to its size. Names are compared by the list's rules (letter case ignored unless
// the list is case sensitive).
class TNumberedRowIndex
{
public:
    explicit TNumberedRowIndex(const TStringList &List);

    // Every k in 1..MaxIndex for which the list holds a line named Before + k + "]",
    // ascending and each once. A k not returned has no such line. Before must not end in a
    // digit (the numbered lists' names end in "[").
    std::vector<int32_t> Find(const QString &Before, int32_t MaxIndex) const;

private:
    QString Key(const QString &S) const;

    bool FCaseSensitive;
    QHash<QString, std::vector<int32_t>> FRows;
};
