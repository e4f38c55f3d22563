#include "runlog/StopRequest.h"

#include <fcntl.h>
#include <unistd.h>

// Request runs in signal handlers.
static_assert(std::atomic<bool>::is_always_lock_free);

namespace {

void SetFlags(int fd)
{
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

TStopRequest::TStopRequest()
{
    // A pipe rather than an eventfd: the same on every POSIX system. Nothing ever reads it, so
    // the byte written on the request keeps it readable.
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    SetFlags(fds[0]);
    SetFlags(fds[1]);
    FRead = fds[0];
    FWrite = fds[1];
}

TStopRequest::~TStopRequest()
{
    if (FRead >= 0)
        ::close(FRead);
    if (FWrite >= 0)
        ::close(FWrite);
}

void TStopRequest::Request() noexcept
{
    if (FRequested.exchange(true) || FWrite < 0)
        return;
    const char byte = 1;
    // Non-blocking; an empty pipe always takes one byte.
    (void)!::write(FWrite, &byte, 1);
}
