#include "support/SilentListener.h"

#include "support/LoopbackListener.h"

#include <unistd.h>

SilentListener::SilentListener()
{
    FFd = ListenOnLoopback(FPort, false, 16);
}

SilentListener::~SilentListener()
{
    if (FFd >= 0)
        ::close(FFd);
}
