#include "kezconv/ConsoleText.h"
#include "platform/FileNameCodec.h"

#include <string>

bool writeConsoleText(FILE* aStream, const QString& aText)
{
    const std::string bytes = platform::encodeFileName(aText.toStdU16String());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), aStream) == bytes.size();
    return std::fflush(aStream) == 0 && written;
}
