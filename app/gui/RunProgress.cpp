#include "app/gui/RunProgress.h"

#include "runlog/RunTally.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

TRunProgressPanel::TRunProgressPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("RunProgressPanel"));
    setFrameShape(QFrame::StyledPanel);
    ProjectLabel = new QLabel(this);
    ProjectLabel->setObjectName(QStringLiteral("ProgressProjectLabel"));
    CountsLabel = new QLabel(this);
    CountsLabel->setObjectName(QStringLiteral("ProgressCountsLabel"));
    ElapsedLabel = new QLabel(this);
    ElapsedLabel->setObjectName(QStringLiteral("ProgressElapsedLabel"));
    ElapsedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("ProgressBar"));
    Bar->setTextVisible(false);
    Bar->setRange(0, 0);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(ProjectLabel, 0, 0);
    layout->addWidget(ElapsedLabel, 0, 1);
    layout->addWidget(CountsLabel, 1, 0, 1, 2);
    layout->addWidget(Bar, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
}

void TRunProgressPanel::ShowTally(const TRunTally &Tally, bool Preview)
{
    const QChar quote = QLatin1Char('"');
    QString project;
    if (Tally.ProjectNumber > 0) {
        project = QStringLiteral("Project ") + quote + Tally.Project + quote;
        if (Tally.Projects > 1) {
            project += QStringLiteral(" (%1 of %2)")
                           .arg(CountText(Tally.ProjectNumber), CountText(Tally.Projects));
        }
    } else {
        project = QStringLiteral("Starting...");
    }
    if (Preview)
        project = QStringLiteral("Preview: ") + project;
    ProjectLabel->setText(project);

    const QString dot = QStringLiteral("  \u00B7  ");
    CountsLabel->setText(
        QStringLiteral("Copied ") + CountText(Tally.Copied) + dot + QStringLiteral("Replaced ")
        + CountText(Tally.Replaced) + dot + QStringLiteral("Already existed ")
        + CountText(Tally.Existed) + dot + QStringLiteral("Skipped ") + CountText(Tally.Skipped)
        + dot + QStringLiteral("Failed ") + CountText(Tally.Failed) + dot + ByteText(Tally.Bytes)
        + (Preview ? QStringLiteral(" to write") : QStringLiteral(" written")));

    // A run of several projects moves the bar a step per project; within one project nothing
    // tells how many files are still to come.
    if (Tally.Projects > 1) {
        Bar->setRange(0, Tally.Projects);
        Bar->setValue(qMin(Tally.ProjectsEnded, Tally.Projects));
    } else {
        Bar->setRange(0, 0);
    }
}

void TRunProgressPanel::ShowElapsed(qint64 Milliseconds)
{
    const qint64 seconds = Milliseconds / 1000;
    if (seconds == FShownSeconds)
        return;
    FShownSeconds = seconds;
    ElapsedLabel->setText(
        QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')));
}
