#include "support/SilentListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SilentListener::SilentListener()
{
    FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FFd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(FFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(FFd, 16) != 0
        || ::getsockname(FFd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return;
    FPort = ntohs(address.sin_port);
}

SilentListener::~SilentListener()
{
    if (FFd >= 0)
        ::close(FFd);
}
