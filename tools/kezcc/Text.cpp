#include "Text.h"
#include "platform/FileNameCodec.h"

namespace kezcc {

Text number(std::int64_t aValue)
{
    const std::string digits = std::to_string(aValue);
    return Text(digits.begin(), digits.end());
}

Text fromUtf8(std::string_view aBytes) { return platform::decodeFileName(aBytes); }

void appendRemark(Text& aRemarks, const Text& aRemark)
{
    if (!aRemarks.empty())
        aRemarks += u"; ";
    aRemarks += aRemark;
}

Text fitted(const Text& aText, std::size_t aMaxUnits)
{
    if (aText.size() <= aMaxUnits || aMaxUnits == 0)
        return aText.substr(0, aMaxUnits);
    return aText.substr(0, aMaxUnits - 1) + u'\u2026';
}

} // namespace kezcc
