#pragma once
#include "platform/FontEnumeration.h"

#include <string>
#include <unordered_map>

namespace platform::posix {

// What was read from one face of one font file, valid while the file keeps its size and
// modification time.
struct CachedFace {
    long long size = -1;
    long long modifiedNs = -1;
    EnumeratedFont font;
};

// Key of a face: its file and face index.
std::string faceKey(const std::string& aFile, int aIndex);

// The faces read before, kept between runs in the user's cache folder
// ($XDG_CACHE_HOME/KezConverter/fonts.cache, else ~/.cache), so that a new process does not open
// every font file again. A file that is missing, damaged, of another version, not a regular file
// of this user's, or too large reads as empty, and so does a folder that is a link or someone
// else's; writing replaces the file atomically and fails silently (the cache only saves time).
std::unordered_map<std::string, CachedFace> loadFontCache();
void saveFontCache(const std::unordered_map<std::string, CachedFace>& aFaces);

} // namespace platform::posix
