#include "ftp/widgets/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QLineEdit *Buddy, int Min, int Max, QWidget *parent)
    : QWidget(parent), FBuddy(Buddy), FUp(new QToolButton(this)), FDown(new QToolButton(this)),
      FMin(Min), FMax(Max), FPosition(Min)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *button : {FUp, FDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        button->setFixedWidth(18);
        layout->addWidget(button);
    }
    // As tall as the edit field it belongs to, each arrow taking half.
    if (FBuddy)
        setFixedHeight(FBuddy->sizeHint().height());
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    connect(FUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(FDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::SetPosition(int Value)
{
    FPosition = std::clamp(Value, FMin, FMax);
    if (FBuddy)
        FBuddy->setText(QString::number(FPosition));
}

void TUpDown::Step(int Delta)
{
    int start = FPosition;
    if (FBuddy) {
        bool ok = false;
        const int typed = FBuddy->text().trimmed().toInt(&ok);
        if (ok && typed >= FMin && typed <= FMax)
            start = typed;
    }
    SetPosition(start + Delta);
    Q_EMIT Clicked();
}
