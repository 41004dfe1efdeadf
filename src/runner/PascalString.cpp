#include "runner/PascalString.h"
#include "errors/mErrorHandling.h"
#include "runner/ExternalDataLayout.h"

#include <QtEndian>

using mErrorHandling::PassOn;

namespace miKezConverterRunner {
namespace {

constexpr const char* kModule = "miKezConverterRunner";

} // namespace

void SaveStringToPascalString(uchar* aDestination, const QString& aText, qint32 aCapacity)
{
    PassOn(kModule, "SaveStringToPascalString", [&] {
        if (aCapacity < 4)
            return;
        const qint32 count = qint32(qMin<qsizetype>(aText.size(), ExternalData::MaxUnits(aCapacity)));
        ExternalData::WriteInt32(aDestination, 0, count);
        const char16_t* units = reinterpret_cast<const char16_t*>(aText.utf16());
        for (qint32 i = 0; i < count; ++i)
            qToLittleEndian<quint16>(quint16(units[i]), aDestination + 4 + 2 * i);
    });
}

QString LoadPascalStringToString(const uchar* aSource, qint32 aCapacity)
{
    return PassOn(kModule, "LoadPascalStringToString", [&] {
        if (aCapacity < 4)
            return QString();
        qint32 count = ExternalData::ReadInt32(aSource, 0);
        if (count < 0)
            mErrorHandling::RaiseError(KezErrorNumber::InvalidArgument,
                                       QStringLiteral("Повреждённая строка в блоке данных конвертера: "
                                                      "отрицательная длина %1.")
                                           .arg(count));
        count = qMin(count, ExternalData::MaxUnits(aCapacity));
        QString text(count, Qt::Uninitialized);
        char16_t* units = reinterpret_cast<char16_t*>(text.data());
        for (qint32 i = 0; i < count; ++i)
            units[i] = char16_t(qFromLittleEndian<quint16>(aSource + 4 + 2 * i));
        return text;
    });
}

} // namespace miKezConverterRunner
