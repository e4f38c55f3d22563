// The find bar of the log page: a text looked for in the log, forward or backward from the
// current line, round the end, without regard to case.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TLogFindBar : public QWidget
{
    Q_OBJECT

public:
    TLogFindBar(QPlainTextEdit *Log, QWidget *Parent = nullptr);

    // Shows the bar with its text selected, ready for a new one; a text selected on one line of
    // the log becomes the text looked for.
    void Open();
    // Hides the bar and gives the keyboard back to the log.
    void Close();
    // Selects the next (previous) place of the text, from the end (start) of the selection and
    // round the end (start) of the log; false, with "Not found" shown, when there is none.
    bool FindNext();
    bool FindPrevious();

    QLineEdit *FindEdit;
    QPushButton *NextButton;
    QPushButton *PreviousButton;
    QToolButton *CloseButton;
    QLabel *NotFoundLabel;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    // Looks from the log's cursor (moved to From first when given) and round the log.
    bool find(bool Backward, int From = -1);

    QPlainTextEdit *FLog;
};
