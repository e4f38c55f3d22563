#include "DialogTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

BoxRecorder::BoxRecorder()
    : FHook([this](const TMessageBoxRequest &request) {
          Asked.push_back(request);
          if (!Answers.empty()) {
              const QMessageBox::StandardButton answer = Answers.front();
              Answers.pop_front();
              return answer;
          }
          return (request.Buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
      })
{}

void WhenShown(QWidget *Dialog, std::function<void()> Action)
{
    // Owned by the dialog, so it goes when the dialog does, fired or not.
    auto *timer = new QTimer(Dialog);
    timer->setInterval(5);
    // A shown window becomes active a little later, and only then has a focus widget; on a
    // loaded machine that can take a few ticks. Waiting is bounded: a window that never becomes
    // active still gets the action after about a second.
    auto waited = std::make_shared<int>(0);
    QObject::connect(
        timer, &QTimer::timeout, Dialog, [timer, Dialog, waited, Action = std::move(Action)] {
            if (!Dialog->isVisible())
                return;
            if (!Dialog->isActiveWindow() && ++*waited < 200)
                return;
            timer->stop();
            timer->deleteLater();
            Action();
            // A dialog the action failed to close would hang the test run: close it and say so.
            QTimer::singleShot(3000, Dialog, [Dialog] {
                if (!Dialog->isVisible())
                    return;
                ADD_FAILURE() << "the test left " << Dialog->windowTitle().toStdString() << " open";
                if (auto *dialog = qobject_cast<QDialog *>(Dialog))
                    dialog->done(QDialog::Rejected);
                Dialog->hide();
            });
        });
    timer->start();
}

bool DropFiles(QWidget *Target, const QStringList &Paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : Paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint pos = Target->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &move);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &drop);
    return drop.isAccepted();
}

void PrintTo(const QString &Value, std::ostream *Out)
{
    *Out << '"' << Value.toStdString() << '"';
}
