#pragma once

#include <QtGlobal>

// A TCP listener on 127.0.0.1, on a free port, that never accepts: the system completes the
// connections it is sent, and nothing is ever said on them, as by a server whose greeting
// never comes. Closed when it goes.
class SilentListener
{
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;

    // 0 when no listener could be made.
    quint16 Port() const { return FPort; }

private:
    int FFd = -1;
    quint16 FPort = 0;
};
