#include "app/gui/DesktopNotification.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

void NotifyDesktop(QWidget *Window, const QString &Title, const QString &Text)
{
    if (Window)
        QApplication::alert(Window);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default).
    call << Title << quint32(0) << QString() << Title << Text << QStringList() << QVariantMap()
         << qint32(-1);
    bus.send(call);
}
