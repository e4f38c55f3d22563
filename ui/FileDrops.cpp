// File drops: registering drop targets, the handler chains in front of them, and the window's
// drop procedure.
#include "ui/RVFormUnit.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QShowEvent>
#include <QUrl>

#include <algorithm>

namespace {

// The local files a drag carries, in the order the source listed them.
QStringList DroppedFiles(const QMimeData *Data)
{
    QStringList files;
    if (!Data || !Data->hasUrls())
        return files;
    for (const QUrl &url : Data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

template <typename List>
bool Contains(const List &Controls, const QWidget *Control)
{
    return std::any_of(Controls.begin(), Controls.end(),
                       [&](const QPointer<QWidget> &c) { return c == Control; });
}

} // namespace

void TRVForm::EnableDroppingFile(QWidget *Control)
{
    if (!Control || Contains(fDropFileCtrls, Control))
        return;
    fDropFileCtrls.emplace_back(Control);
    Control->setAcceptDrops(true);
    TWinProcHandler::EventTarget(Control)->setAcceptDrops(true);
    if (isVisible())
        SubClassForDrops(Control);
}

TWinProcHandler *TRVForm::FindSubClassed(QWidget *Control) const
{
    for (const auto &entry : fSubClassedCtrls) {
        if (entry->Control() == Control)
            return entry.get();
    }
    return nullptr;
}

void TRVForm::SubClass(QWidget *Control, TCustomWndMethod CustomWndProc)
{
    if (!Control)
        return;
    for (auto &entry : fSubClassedCtrls) {
        if (entry->Control() == Control) {
            entry = std::make_unique<TWinProcHandler>(Control, std::move(entry),
                                                      std::move(CustomWndProc));
            return;
        }
    }
    fSubClassedCtrls.push_back(
        std::make_unique<TWinProcHandler>(Control, nullptr, std::move(CustomWndProc)));
}

void TRVForm::SubClassForDrops(QWidget *Control)
{
    // One drop handler per control is enough to take every drop once; showing the window again
    // must not lengthen the chain that every event of the control walks through.
    if (!Control || Contains(fDropSubClassed, Control))
        return;
    std::erase_if(fDropSubClassed, [](const QPointer<QWidget> &c) { return c.isNull(); });
    fDropSubClassed.emplace_back(Control);
    SubClass(Control, [this](QWidget *AControl, TWinProcHandler *Handler, QEvent *Message) {
        return HandleDropFiles(AControl, Handler, Message);
    });
}

void TRVForm::showEvent(QShowEvent *event)
{
    // Spontaneous show events come from the window system (a restored window); the window's
    // own showing is the one that arms its drop targets.
    if (!event->spontaneous()) {
        for (const QPointer<QWidget> &control : std::vector(fDropFileCtrls))
            SubClassForDrops(control);
    }
    QDialog::showEvent(event);
}

bool TRVForm::HandleDropFiles(QWidget *Control, TWinProcHandler *Handler, QEvent *Message)
{
    Q_UNUSED(Handler);
    switch (Message->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(Message);
        if (DroppedFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(Message);
        const QStringList files = DroppedFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        // Accept before handing the names on: a handler may open a window of its own.
        drop->acceptProposedAction();
        QPointer<QWidget> guard(Control);
        auto *listView = qobject_cast<TListView *>(Control);
        auto *edit = listView ? nullptr : qobject_cast<QLineEdit *>(Control);
        for (const QString &file : files) {
            if (!guard)
                break;
            if (listView)
                DoAddInputFile(listView, file);
            else if (edit)
                DoSetInputFile(edit, file, false);
        }
        return true;
    }
    default:
        return false;
    }
}
