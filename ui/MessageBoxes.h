#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// One message box the program wants answered.
struct TMessageBoxRequest
{
    QWidget *Owner = nullptr;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Title;
    QString Text;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
};

// Every message box of the windows goes through this one hook, so that a test (or a front-end
// without a screen) can answer them and see what was asked. Unset, a modal QMessageBox owned
// by the request's window asks the user.
using TMessageBoxHook = std::function<QMessageBox::StandardButton(const TMessageBoxRequest &)>;

// Replaces the hook; an empty function restores the QMessageBox. Returns the previous hook.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);
// Shows (or hands to the hook) one box and returns the button chosen.
QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest &Request);

// Installs a hook for the lifetime of the object and puts the previous one back afterwards.
class TScopedMessageBoxHook
{
public:
    explicit TScopedMessageBoxHook(TMessageBoxHook Hook);
    ~TScopedMessageBoxHook();

    TScopedMessageBoxHook(const TScopedMessageBoxHook &) = delete;
    TScopedMessageBoxHook &operator=(const TScopedMessageBoxHook &) = delete;

private:
    TMessageBoxHook FPrevious;
};
