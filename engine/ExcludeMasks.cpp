#include "engine/ExcludeMasks.h"

#include "settings/Exception.h"

namespace {

bool isRegexSpecial(QChar c)
{
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}");
    return special.contains(c);
}

} // namespace

void TExcludeList::Add(const QString &expression)
{
    // "^...$" as written; matched as the whole name so that "$" cannot stop before a final
    // line feed in a name.
    QString body = expression;
    if (body.size() >= 2 && body.startsWith(QLatin1Char('^')) && body.endsWith(QLatin1Char('$')))
        body = body.mid(1, body.size() - 2);
    QRegularExpression compiled(QRegularExpression::anchoredPattern(body),
                                QRegularExpression::CaseInsensitiveOption
                                    | QRegularExpression::DontCaptureOption);
    if (!compiled.isValid())
        throw Exception(compiled.errorString());
    compiled.optimize();
    FTexts.append(expression);
    FCompiled.push_back(std::move(compiled));
}

bool TExcludeList::Matches(const QString &name) const
{
    for (const QRegularExpression &expression : FCompiled) {
        if (expression.match(name).hasMatch())
            return true;
    }
    return false;
}

void AddExcludeMask(const QString &Mask, TExcludeList &Excludes)
{
    QString expression;
    expression.reserve(Mask.size() * 2 + 2);
    for (const QChar c : Mask) {
        if (c == QLatin1Char('*'))
            expression += QLatin1String("(.*)");
        else if (c == QLatin1Char('?'))
            expression += QLatin1String("(.)");
        else if (isRegexSpecial(c))
            expression += QLatin1Char('\\') + QString(c);
        else
            expression += c;
    }
    // A doubled wildcard stands for the character itself.
    expression.replace(QLatin1String("(.*)(.*)"), QLatin1String("\\*"));
    expression.replace(QLatin1String("(.)(.)"), QLatin1String("\\?"));
    Excludes.Add(QLatin1Char('^') + expression + QLatin1Char('$'));
}

bool IsExcluded(const QString &Name, const TExcludeList *Excludes)
{
    return Excludes && Excludes->Matches(Name);
}
