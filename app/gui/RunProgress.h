#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;
struct TRunTally;

// The progress area of a run: the project in progress, the files counted by decision, the
// bytes written, the time gone and a bar (busy while the run's length is unknown, else one step
// per project).
class TRunProgressPanel : public QFrame
{
public:
    explicit TRunProgressPanel(QWidget *parent = nullptr);

    void ShowTally(const TRunTally &Tally, bool Preview);
    void ShowElapsed(qint64 Milliseconds);

    QLabel *ProjectLabel;
    QLabel *CountsLabel;
    QLabel *ElapsedLabel;
    QProgressBar *Bar;

private:
    qint64 FShownSeconds = -1;
};
