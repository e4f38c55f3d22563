#include "ManPage.h"

#include <QFile>
#include <QRegularExpression>

TManPage::TManPage(const QString &Path)
{
    QFile file(Path);
    FRead = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (FRead)
        FLines = QString::fromUtf8(file.readAll())
                     .replace(QLatin1String("\\-"), QLatin1String("-"))
                     .split(QLatin1Char('\n'));
}

QStringList TManPage::Sections() const
{
    QStringList names;
    for (const QString &line : FLines)
        if (line.startsWith(QLatin1String(".SH ")))
            names << line.mid(4).remove(QLatin1Char('"')).trimmed();
    return names;
}

QString TManPage::Section(const QString &Name) const
{
    QStringList lines;
    bool inside = false;
    for (const QString &line : FLines) {
        if (line.startsWith(QLatin1String(".SH "))) {
            inside = line.mid(4).remove(QLatin1Char('"')).trimmed() == Name;
            continue;
        }
        if (inside)
            lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QStringList TManPage::Options() const
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[a-z][a-z0-9-]*"));
    const QStringList lines = Section(QStringLiteral("OPTIONS")).split(QLatin1Char('\n'));
    QStringList options;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != QLatin1String(".TP"))
            continue;
        auto it = option.globalMatch(lines[i + 1]);
        while (it.hasNext())
            options << it.next().captured();
    }
    return options;
}

QString TManPage::OptionsAgainst(const QStringList &Taken) const
{
    const QStringList documented = Options();
    QStringList undocumented;
    QStringList notTaken;
    for (const QString &option : Taken)
        if (!documented.contains(option))
            undocumented << option;
    for (const QString &option : documented)
        if (!Taken.contains(option))
            notTaken << option;
    if (undocumented.isEmpty() && notTaken.isEmpty())
        return QString();
    return QStringLiteral("undocumented: %1; not taken: %2")
        .arg(undocumented.join(QLatin1Char(' ')), notTaken.join(QLatin1Char(' ')));
}
