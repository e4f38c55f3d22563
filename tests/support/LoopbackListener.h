#pragma once

#include <QtGlobal>

// A listening TCP socket on 127.0.0.1, or on ::1 with ipv6, on a free port, which it puts in
// port. Returns the descriptor (the caller closes it), or -1 when none could be made.
int ListenOnLoopback(quint16 &port, bool ipv6 = false, int backlog = 8);
