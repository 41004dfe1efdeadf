#include "core/runner/PascalString.h"
#include "core/errors/mErrorHandling.h"
#include "protocol/ExternalDataLayout.h"

#include <string_view>

using mErrorHandling::PassOn;

namespace miKezConverterRunner {
namespace {

constexpr const char* kModule = "miKezConverterRunner";

} // namespace

void SaveStringToPascalString(uchar* aDestination, const QString& aText, qint32 aCapacity)
{
    PassOn(kModule, "SaveStringToPascalString", [&] {
        const std::u16string_view units(reinterpret_cast<const char16_t*>(aText.utf16()), std::size_t(aText.size()));
        ExternalData::WriteCountedString(aDestination, units, aCapacity);
    });
}

QString LoadPascalStringToString(const uchar* aSource, qint32 aCapacity)
{
    return PassOn(kModule, "LoadPascalStringToString", [&] {
        if (aCapacity >= 4 && ExternalData::ReadInt32(aSource, 0) < 0)
            mErrorHandling::RaiseError(KezErrorNumber::InvalidArgument,
                                       QStringLiteral("Повреждённая строка в блоке данных конвертера: "
                                                      "отрицательная длина %1.")
                                           .arg(ExternalData::ReadInt32(aSource, 0)));
        return QString::fromStdU16String(ExternalData::ReadCountedString(aSource, aCapacity));
    });
}

} // namespace miKezConverterRunner
