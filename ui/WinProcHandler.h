#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QEvent;
class TWinProcHandler;

// A window's procedure offered every event of a control before the control sees it; true means
// the event has been handled completely and goes no further.
using TCustomWndMethod =
    std::function<bool(QWidget *Control, TWinProcHandler *Handler, QEvent *Message)>;

// One link of a control's handler chain: an event filter put in front of the control (in front
// of its viewport for a scrolling view such as a list view, where drag and drop events arrive).
// Qt asks the newest filter first, so a newer handler sees an event before the one it was put in
// front of, and an event the custom procedure handles reaches neither the older handlers nor the
// control. The handler owns the one it was put in front of; destroying the newest removes the
// whole chain and leaves the control as it was before the first handler.
class TWinProcHandler : public QObject
{
    Q_OBJECT

public:
    TWinProcHandler(QWidget *AControl, std::unique_ptr<TWinProcHandler> ANextHandler,
                    TCustomWndMethod ACustomWndProc);
    ~TWinProcHandler() override;

    // None once the control has been destroyed.
    QWidget *Control() const { return FControl; }
    TWinProcHandler *NextHandler() const { return FNextHandler.get(); }
    // The widget whose events the chain sees (the control, or its viewport).
    static QWidget *EventTarget(QWidget *AControl);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    QPointer<QWidget> FControl;
    QPointer<QWidget> FTarget;
    std::unique_ptr<TWinProcHandler> FNextHandler;
    TCustomWndMethod FCustomWndProc;
};
