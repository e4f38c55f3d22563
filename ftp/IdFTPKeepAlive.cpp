// Keeping an idle control connection: NOOP, and telling a connection the server dropped.
#include "ftp/IdFTP.h"

void TIdFTP::Noop()
{
    SendCmd(QStringLiteral("NOOP"), {});
}

bool TIdFTP::ConnectionDropped()
{
    if (FControl.Connected()) {
        try {
            // What came unasked: a 421 or the connection's end closes it, anything else closes
            // it out of step, and the state below tells which.
            CheckInStep();
        } catch (const std::exception &) {
            // Nothing to report here: the next command raises it, or a new login mends it.
        }
    }
    return FWasLoggedIn && !FControl.Connected() && FOutOfStep.isEmpty();
}
