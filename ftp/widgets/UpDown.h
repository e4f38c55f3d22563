#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Up and down arrows attached to an edit field holding a number (the buddy). The position is
// kept apart from the buddy's text: the text may hold anything, and an arrow click starts from
// the text when it is a number in range, else from the position, then steps by one within
// Min..Max and writes the new position into the buddy.
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    TUpDown(QLineEdit *Buddy, int Min, int Max, QWidget *parent = nullptr);

    int Position() const { return FPosition; }
    // Moves the arrows and writes the number into the buddy.
    void SetPosition(int Value);

    QToolButton *UpButton() const { return FUp; }
    QToolButton *DownButton() const { return FDown; }

Q_SIGNALS:
    // An arrow was clicked (after the position and the buddy changed).
    void Clicked();

private:
    void Step(int Delta);

    QLineEdit *FBuddy;
    QToolButton *FUp;
    QToolButton *FDown;
    int FMin;
    int FMax;
    int FPosition;
};
