#include "FileNames.h"
#include "platform/FileNameCodec.h"

namespace kezcc {

// The program hands over a name that is no UTF-8 with its bytes kept as lone surrogates; the
// same codec gives the bytes back, so the name read is the file the user chose.
std::string nativeFileName(const Text& aPath) { return platform::encodeFileName(aPath); }

Text displayFileName(const std::string& aName) { return platform::decodeFileName(aName); }

} // namespace kezcc
