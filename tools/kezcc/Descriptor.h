#pragma once
#include <unistd.h>

namespace kezcc {

// Closes the file descriptor it holds.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int aFd) : fd(aFd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

} // namespace kezcc
