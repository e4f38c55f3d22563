// The log view: one appendPlainText per batch, then a block format and a user state only on
// the error blocks, so that appending stays fast with many lines.
#include "app/gui/LogView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>

namespace {

constexpr int IconSize = 16;

class TLogMargin : public QWidget
{
public:
    explicit TLogMargin(TLogView *View) : QWidget(View), FView(View) {}
    QSize sizeHint() const override { return QSize(FView->MarginWidth(), 0); }

protected:
    void paintEvent(QPaintEvent *Event) override { FView->PaintMargin(Event); }

private:
    TLogView *FView;
};

} // namespace

TLogView::TLogView(QWidget *Parent) : QPlainTextEdit(Parent), FMargin(new TLogMargin(this))
{
    setViewportMargins(MarginWidth(), 0, 0, 0);
    // A log is never edited: no undo history to grow with it.
    document()->setUndoRedoEnabled(false);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &Rect, int Dy) {
        if (Dy != 0)
            FMargin->scroll(0, Dy);
        else
            FMargin->update(0, Rect.y(), FMargin->width(), Rect.height());
    });
}

int TLogView::MarginWidth() const
{
    return IconSize + 4;
}

void TLogView::resizeEvent(QResizeEvent *Event)
{
    QPlainTextEdit::resizeEvent(Event);
    const QRect r = contentsRect();
    FMargin->setGeometry(QRect(r.left(), r.top(), MarginWidth(), r.height()));
}

void TLogView::AppendLines(const QStringList &Lines, const QList<bool> &Errors)
{
    if (Lines.isEmpty())
        return;
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const bool wasEmpty = document()->isEmpty();
    const int firstBlock = wasEmpty ? 0 : document()->blockCount();
    // New lines start from a plain block: a block made by splitting takes the format of the one
    // it comes from, and the last line so far may be a marked one.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    if (!wasEmpty)
        end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    else
        end.setBlockFormat(QTextBlockFormat());
    end.insertText(Lines.join(QLatin1Char('\n')));
    end.endEditBlock();
    for (int i = 0; i < Lines.size() && i < Errors.size(); ++i) {
        if (Errors.at(i))
            markBlock(document()->findBlockByNumber(firstBlock + i));
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TLogView::MarkLastLines(int Count)
{
    if (document()->isEmpty())
        return;
    QTextBlock block = document()->lastBlock();
    for (int i = 0; i < Count && block.isValid(); ++i, block = block.previous())
        markBlock(block);
}

void TLogView::markBlock(QTextBlock Block)
{
    if (!Block.isValid() || Block.userState() == ErrorState)
        return;
    QTextBlockFormat errorFormat;
    errorFormat.setBackground(QColor(255, 220, 220));
    QTextCursor(Block).setBlockFormat(errorFormat);
    Block.setUserState(ErrorState);
    ++FErrorLineCount;
    FMargin->update();
}

bool TLogView::IsErrorLine(int BlockNumber) const
{
    const QTextBlock block = document()->findBlockByNumber(BlockNumber);
    return block.isValid() && block.userState() == ErrorState;
}

void TLogView::ClearLines()
{
    clear();
    FErrorLineCount = 0;
}

void TLogView::PaintMargin(QPaintEvent *Event)
{
    QPainter painter(FMargin);
    painter.fillRect(Event->rect(), palette().base());
    const QPixmap icon = style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(IconSize);
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= Event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= Event->rect().top()
            && block.userState() == ErrorState)
            painter.drawPixmap(2, top + (height - IconSize) / 2, IconSize, IconSize, icon);
        top += height;
        block = block.next();
    }
}
