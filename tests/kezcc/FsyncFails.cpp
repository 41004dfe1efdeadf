// Preloaded into the converter by a test: every fsync fails as a dying disk's would.
#include <cerrno>

extern "C" int fsync(int)
{
    errno = EIO;
    return -1;
}
