// The log page's text view: plain lines, error lines marked by a background colour and an
// error icon in a left margin.
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>

class TLogView : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TLogView(QWidget *Parent = nullptr);

    // Appends one batch of lines; Errors[i] marks Lines[i] (missing entries mean no error).
    // The view follows the end only when it showed the end before.
    void AppendLines(const QStringList &Lines, const QList<bool> &Errors);
    int ErrorLineCount() const { return FErrorLineCount; }
    bool IsErrorLine(int BlockNumber) const;
    void ClearLines();

    int MarginWidth() const;
    void PaintMargin(QPaintEvent *Event);

protected:
    void resizeEvent(QResizeEvent *Event) override;

private:
    static constexpr int ErrorState = 1;
    QWidget *FMargin;
    int FErrorLineCount = 0;
};
