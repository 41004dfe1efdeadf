// Another program saving the conversion options, for the tests that read them meanwhile.
//   options_saver <key>
// saves the options under <key> as save 0, save 1, save 0, ... (OptionsSaves.h) until killed,
// each save as the program makes it; writes "ready" to its output once the first save is done.
#include "core/options/OptionsSaves.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QString key = QString::fromUtf8(argv[1]);
    TLuKezOptions saves[2];
    optionssaves::Fill(saves[0], 0);
    optionssaves::Fill(saves[1], 1);
    for (unsigned long i = 0;; ++i) {
        saves[i % 2].WriteToRegistry(platform::kHKeyCurrentUser, key);
        if (i == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
