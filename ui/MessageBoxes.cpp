#include "ui/MessageBoxes.h"

#include <utility>

namespace {

TMessageBoxHook &CurrentHook()
{
    static TMessageBoxHook hook;
    return hook;
}

QMessageBox::StandardButton AskUser(const TMessageBoxRequest &Request)
{
    QMessageBox box(Request.Icon, Request.Title, Request.Text, Request.Buttons, Request.Owner);
    // The first button offered is the default, as the question boxes expect Yes there.
    if (Request.Buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook)
{
    return std::exchange(CurrentHook(), std::move(Hook));
}

QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest &Request)
{
    // Copy: the hook may replace itself while it answers.
    const TMessageBoxHook hook = CurrentHook();
    return hook ? hook(Request) : AskUser(Request);
}

TScopedMessageBoxHook::TScopedMessageBoxHook(TMessageBoxHook Hook)
    : FPrevious(SetMessageBoxHook(std::move(Hook)))
{}

TScopedMessageBoxHook::~TScopedMessageBoxHook()
{
    SetMessageBoxHook(std::move(FPrevious));
}
