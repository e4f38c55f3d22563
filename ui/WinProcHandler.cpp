#include "ui/WinProcHandler.h"

#include <QAbstractScrollArea>

TWinProcHandler::TWinProcHandler(QWidget *AControl, std::unique_ptr<TWinProcHandler> ANextHandler,
                                 TCustomWndMethod ACustomWndProc)
    : FControl(AControl), FTarget(EventTarget(AControl)), FNextHandler(std::move(ANextHandler)),
      FCustomWndProc(std::move(ACustomWndProc))
{
    if (FTarget)
        FTarget->installEventFilter(this);
}

TWinProcHandler::~TWinProcHandler()
{
    if (FTarget)
        FTarget->removeEventFilter(this);
    // FNextHandler goes next and removes its own filter, back to the first handler's.
}

QWidget *TWinProcHandler::EventTarget(QWidget *AControl)
{
    if (auto *area = qobject_cast<QAbstractScrollArea *>(AControl))
        return area->viewport();
    return AControl;
}

bool TWinProcHandler::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched != FTarget || !FControl || !FCustomWndProc)
        return false;
    // Not handled: Qt passes the event on to the next older filter, then to the control.
    return FCustomWndProc(FControl, this, Event);
}
