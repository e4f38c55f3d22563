#pragma once

#include "ui/MessageBoxes.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

class QWidget;

// Answers every message box from a queue (Yes for questions and OK otherwise when the queue is
// empty) and keeps what was asked.
class BoxRecorder
{
public:
    BoxRecorder();

    std::vector<TMessageBoxRequest> Asked;
    std::deque<QMessageBox::StandardButton> Answers;

private:
    TScopedMessageBoxHook FHook;
};

// Runs Action once Dialog is on screen (polling the event loop the modal dialog runs), so a test
// can drive a dialog that a call opens with exec(). Nested dialogs are driven the same way from
// inside an action.
void WhenShown(QWidget *Dialog, std::function<void()> Action);

// Drags the local files onto the widget and drops them there; true when the drop was taken.
bool DropFiles(QWidget *Target, const QStringList &Paths);

// Readable QString values in failure messages (found by argument-dependent look-up).
void PrintTo(const QString &Value, std::ostream *Out);
