// The log page's text view: plain lines, error lines marked by a background colour and an
// error icon in a left margin.
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>

class TLogView : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TLogView(QWidget *Parent = nullptr);

    // Appends one batch of lines; Errors[i] marks Lines[i] (missing entries mean no error).
    // The view follows the end only when it showed the end before.
    void AppendLines(const QStringList &Lines, const QList<bool> &Errors);
    // Marks the last Count lines shown as error lines: an error whose lines came in an earlier
    // batch than the word that they are errors.
    void MarkLastLines(int Count);
    int ErrorLineCount() const { return FErrorLineCount; }
    bool IsErrorLine(int BlockNumber) const;
    void ClearLines();

    int MarginWidth() const;
    void PaintMargin(QPaintEvent *Event);

protected:
    void resizeEvent(QResizeEvent *Event) override;

private:
    static constexpr int ErrorState = 1;
    void markBlock(QTextBlock Block);
    QWidget *FMargin;
    int FErrorLineCount = 0;
};
