#pragma once

#include <unistd.h>

// Owns one open file descriptor and closes it when it goes; -1 holds none.
class TFd
{
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd() { reset(); }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;

    int get() const { return FFd; }
    bool isOpen() const { return FFd >= 0; }
    void reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }
    // Closes and returns what close says (0, or -1 with errno set): some file systems report a
    // delayed write error only here.
    int close()
    {
        const int result = ::close(FFd);
        FFd = -1;
        return result;
    }

private:
    int FFd;
};
