#pragma once

#include "settings/StringList.h"

#include <QString>

#include <cstdint>
#include <vector>

// Numbered records and lists store their entries under names Before + k + After, k counting from
// 1 in decimal. A hand-edited count may be far larger than the entries present; a reader that
// walks 1..count would spend its time on names that cannot exist. This returns, in one pass over
// the lines, every k in 1..MaxIndex for which the list holds a line named Before + k + After
// (k written without leading zeros; names compared by the list's rules, letter case ignored
// unless it is case sensitive), ascending and each once. Any k not returned has no such line,
// so its lookups would read as absent.
std::vector<int32_t> FindNumberedIndexes(const TStringList &List, const QString &Before,
                                         const QString &After, int32_t MaxIndex);
