#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

// The exclude list of one project run: one regular expression per exclude wildcard, each
// matching a whole bare name with letter case ignored. The texts are kept as written by
// AddExcludeMask; each is compiled once, when it is added.
class TExcludeList
{
public:
    // Adds an expression of the form "^...$" (the whole name must match).
    void Add(const QString &expression);
    const QStringList &Texts() const { return FTexts; }
    int Count() const { return static_cast<int>(FTexts.size()); }
    // Whether the name matches one of the expressions (tried in list order).
    bool Matches(const QString &name) const;

private:
    QStringList FTexts;
    std::vector<QRegularExpression> FCompiled;
};

// Appends the expression for one exclude wildcard: "*" any run of characters, "?" one
// character, "**" a literal "*", "??" a literal "?", every other character itself.
void AddExcludeMask(const QString &Mask, TExcludeList &Excludes);
// True when Name matches one of the expressions; false when there is no list.
bool IsExcluded(const QString &Name, const TExcludeList *Excludes);
