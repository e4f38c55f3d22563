#pragma once

#include <QString>

class QWidget;

// Tells the desktop that something the user waits for has happened: a notification through
// the desktop's notification service (when the session has one) and an attention request for
// Window (its task bar entry flashes). Returns at once; nothing waits for the desktop.
void NotifyDesktop(QWidget *Window, const QString &Title, const QString &Text);
