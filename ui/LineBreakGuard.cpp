#include "ui/LineBreakGuard.h"

#include <QLineEdit>
#include <QString>

QString WithoutLineBreaks(const QString &Text)
{
    QString result = Text;
    result.remove(QLatin1Char('\r'));
    result.remove(QLatin1Char('\n'));
    return result;
}

void GuardLineBreaks(QLineEdit *Edit)
{
    if (!Edit)
        return;
    QObject::connect(Edit, &QLineEdit::textChanged, Edit, [Edit](const QString &Text) {
        if (!Text.contains(QLatin1Char('\r')) && !Text.contains(QLatin1Char('\n')))
            return;
        // Keep the cursor where the user left it, less the characters removed before it.
        const int cursor = Edit->cursorPosition();
        const int removedBefore = cursor
                                  - static_cast<int>(WithoutLineBreaks(Text.left(cursor)).size());
        Edit->setText(WithoutLineBreaks(Text));
        Edit->setCursorPosition(cursor - removedBefore);
    });
}
