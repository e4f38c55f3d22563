#pragma once

#include <QString>
#include <QStringList>

// A manual page's source (man(7) macros), read for what it documents.
class TManPage
{
public:
    explicit TManPage(const QString &Path);

    // False when the file could not be read.
    bool IsRead() const { return FRead; }
    // The section names (.SH lines), in order.
    QStringList Sections() const;
    // The text of a section, "\-" written as "-", up to the next .SH line.
    QString Section(const QString &Name) const;
    // Every option named in the tag lines (the line after .TP) of the OPTIONS section, as
    // "-start", "--help".
    QStringList Options() const;

    // The options of Options() not in Taken, and those of Taken not documented, as
    // "undocumented: -x; not taken: -y", empty when the two agree.
    QString OptionsAgainst(const QStringList &Taken) const;

private:
    QStringList FLines;
    bool FRead = false;
};
