// A child for the font cache tests: loads the cache as the font catalogue does and writes to the
// file named by its argument the face of every entry, one a line, then "grew <kB>": how much its
// peak memory grew during the load. POSIX only.
#include "platform/posix/FontSignatureCache.h"

#include <sys/resource.h>

#include <fstream>

namespace {
long peakKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 100;
    const long before = peakKb();
    const auto faces = platform::posix::loadFontCache();
    const long grew = peakKb() - before;
    std::ofstream out(argv[1], std::ios::binary);
    for (const auto& [key, face] : faces)
        out << face.font.face << '\n';
    out << "grew " << grew << '\n';
    return out ? 0 : 1;
}
