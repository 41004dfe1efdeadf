// A child for the font enumeration tests: writes the face of every enumerated record, one a line,
// to the file named by its argument.
#include "platform/FontEnumeration.h"
#include "platform/Services.h"

#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 100;
    std::ofstream out(argv[1], std::ios::binary);
    for (const platform::EnumeratedFont& font : platform::service<platform::FontEnumeration>().enumerate())
        out << font.face << '\n';
    return out ? 0 : 1;
}
