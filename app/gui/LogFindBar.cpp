#include "app/gui/LogFindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

TLogFindBar::TLogFindBar(QPlainTextEdit *Log, QWidget *Parent) : QWidget(Parent), FLog(Log)
{
    setObjectName(QStringLiteral("LogFindBar"));
    auto *label = new QLabel(QStringLiteral("Find:"), this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setClearButtonEnabled(true);
    label->setBuddy(FindEdit);
    NextButton = new QPushButton(QStringLiteral("&Next"), this);
    PreviousButton = new QPushButton(QStringLiteral("P&revious"), this);
    NotFoundLabel = new QLabel(QStringLiteral("Not found"), this);
    NotFoundLabel->setObjectName(QStringLiteral("NotFoundLabel"));
    NotFoundLabel->hide();
    CloseButton = new QToolButton(this);
    CloseButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    CloseButton->setToolTip(QStringLiteral("Close (Esc)"));
    CloseButton->setAutoRaise(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(FindEdit, 1);
    layout->addWidget(NextButton);
    layout->addWidget(PreviousButton);
    layout->addWidget(NotFoundLabel);
    layout->addWidget(CloseButton);

    // Typing looks again from where the current match starts, so that it grows in place.
    connect(FindEdit, &QLineEdit::textEdited, this,
            [this] { find(false, FLog->textCursor().selectionStart()); });
    // Enter looks for the next place, Shift+Enter for the previous one.
    FindEdit->installEventFilter(this);
    connect(NextButton, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(PreviousButton, &QPushButton::clicked, this, [this] { FindPrevious(); });
    connect(CloseButton, &QToolButton::clicked, this, [this] { Close(); });
}

void TLogFindBar::Open()
{
    const QString selected = FLog->textCursor().selectedText();
    // A selection across lines holds a paragraph separator: not a text to look for.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        FindEdit->setText(selected);
    show();
    FindEdit->setFocus(Qt::ShortcutFocusReason);
    FindEdit->selectAll();
}

void TLogFindBar::Close()
{
    hide();
    NotFoundLabel->hide();
    FLog->setFocus(Qt::OtherFocusReason);
}

bool TLogFindBar::FindNext()
{
    return find(false);
}

bool TLogFindBar::FindPrevious()
{
    return find(true);
}

bool TLogFindBar::find(bool Backward, int From)
{
    const QString text = FindEdit->text();
    NotFoundLabel->hide();
    if (text.isEmpty())
        return false;
    const QTextCursor before = FLog->textCursor();
    QTextCursor start = before;
    if (From >= 0) {
        start.setPosition(From);
        FLog->setTextCursor(start);
    }
    const QTextDocument::FindFlags flags = Backward ? QTextDocument::FindBackward
                                                    : QTextDocument::FindFlags();
    if (FLog->find(text, flags))
        return true;
    // Round the end (or the start) of the log.
    QTextCursor wrap(FLog->document());
    wrap.movePosition(Backward ? QTextCursor::End : QTextCursor::Start);
    FLog->setTextCursor(wrap);
    if (FLog->find(text, flags))
        return true;
    FLog->setTextCursor(before);
    NotFoundLabel->show();
    return false;
}

bool TLogFindBar::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == FindEdit && Event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(Event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                FindPrevious();
            else
                FindNext();
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TLogFindBar::keyPressEvent(QKeyEvent *Event)
{
    // Esc closes the bar and nothing else: it never reaches the window, where it stops a run.
    if (Event->key() == Qt::Key_Escape) {
        Close();
        Event->accept();
        return;
    }
    QWidget::keyPressEvent(Event);
}
