#include "KezccConversion.h"
#include "CodePages.h"
#include "RtfDocument.h"

#include "runner/ExternalData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>
#include <optional>

namespace kezcc {
namespace {

using namespace ExternalData;

const uchar* bytesOf(const QByteArray& aRecord) { return reinterpret_cast<const uchar*>(aRecord.constData()); }

Outcome failure(qint32 aCode, const QString& aMessage) { return Outcome{aCode, aMessage}; }

Outcome malformed(const QString& aWhat)
{
    return failure(ResultCode::MalformedRequest, QStringLiteral("Блок параметров конвертации повреждён: ") + aWhat);
}

// The reply's message field holds at most 1022 code units; a longer text is cut visibly.
QString fitMessage(const QString& aMessage)
{
    if (aMessage.size() <= kMaxPathUnits)
        return aMessage;
    return aMessage.left(kMaxPathUnits - 1) + QChar(0x2026);
}

std::array<RtfFont, kFontCount> fontsOf(const uchar* aRecord)
{
    // Greek and Latin text want their own character sets; everything else is Cyrillic.
    constexpr std::array<qint32, kFontCount> kCharsets = {204, 204, 204, 204, 204, 161, 0, 204, 204};
    std::array<RtfFont, kFontCount> fonts;
    for (int i = 0; i < kFontCount; ++i) {
        const uchar* font = aRecord + kFontOffsets[i];
        fonts[i].face = miKezConverterRunner::LoadPascalStringToString(font + FontOffset::Face, kFaceCapacity);
        fonts[i].size = ReadInt32(font, FontOffset::Size);
        fonts[i].bold = ReadInt32(font, FontOffset::Bold) != 0;
        fonts[i].italic = ReadInt32(font, FontOffset::Italic) != 0;
        fonts[i].foreColorIndex = ReadInt32(font, FontOffset::ForeColorIndex);
        fonts[i].backColorIndex = ReadInt32(font, FontOffset::BackColorIndex);
        fonts[i].charset = kCharsets[i];
    }
    return fonts;
}

// Every check that needs nothing but the record itself.
std::optional<Outcome> checkRecord(const QByteArray& aRequest)
{
    if (aRequest.size() < kRecordSize)
        return malformed(QStringLiteral("его размер %1 байт вместо %2.").arg(aRequest.size()).arg(kRecordSize));
    const uchar* record = bytesOf(aRequest);
    if (quint32(ReadInt32(record, Offset::Signature)) != kSignature)
        return malformed(QStringLiteral("неверная сигнатура."));
    if (ReadInt32(record, Offset::Version) != kVersion)
        return malformed(QStringLiteral("неподдерживаемая версия %1.").arg(ReadInt32(record, Offset::Version)));
    if (ReadInt32(record, Offset::Size) != kRecordSize)
        return malformed(QStringLiteral("в нём указан размер %1 байт вместо %2.")
                             .arg(ReadInt32(record, Offset::Size))
                             .arg(kRecordSize));
    for (const qint32 offset : kFontOffsets) {
        if (!IsWellFormedCountedString(record + offset + FontOffset::Face, kFaceCapacity))
            return malformed(QStringLiteral("неверная длина имени шрифта (смещение %1).").arg(offset));
    }
    if (!IsWellFormedCountedString(record + Offset::SourcePath, kPathCapacity))
        return malformed(QStringLiteral("неверная длина пути к исходному файлу."));
    if (!IsWellFormedCountedString(record + Offset::OutputPath, kPathCapacity))
        return malformed(QStringLiteral("неверная длина пути к выходному файлу."));
    const qint32 encoding = ReadInt32(record, Offset::SourceEncoding);
    if (encoding < 0 || encoding > 2)
        return malformed(QStringLiteral("неизвестная кодировка исходного файла %1.").arg(encoding));
    return std::nullopt;
}

std::optional<Outcome> readSource(const QString& aPath, QByteArray& aBytes)
{
    if (aPath.isEmpty())
        return failure(ResultCode::SourceUnreadable, QStringLiteral("Не указан исходный файл."));
    const QFileInfo info(aPath);
    if (!info.exists())
        return failure(ResultCode::SourceUnreadable, QStringLiteral("Исходный файл не найден: ") + aPath);
    if (info.isDir())
        return failure(ResultCode::SourceUnreadable,
                       QStringLiteral("Вместо исходного файла указана папка: ") + aPath);
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return failure(ResultCode::SourceUnreadable,
                       QStringLiteral("Не удалось открыть исходный файл %1: %2").arg(aPath, file.errorString()));
    aBytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(ResultCode::SourceUnreadable,
                       QStringLiteral("Не удалось прочитать исходный файл %1: %2").arg(aPath, file.errorString()));
    return std::nullopt;
}

std::optional<Outcome> checkOutput(const QString& aPath, const QString& aSource)
{
    if (aPath.isEmpty())
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Не указан выходной файл."));
    const QFileInfo info(aPath);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Папка для выходного файла не существует: ") + folder);
    if (info.isDir())
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Вместо выходного файла указана папка: ") + aPath);
    // Writing the RTF over its own source would lose the source.
    if (info.exists() && info.canonicalFilePath() == QFileInfo(aSource).canonicalFilePath())
        return failure(ResultCode::OutputUnwritable,
                       QStringLiteral("Выходной файл совпадает с исходным: ") + aPath);
    if (!QFileInfo(folder).isWritable())
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Нет права записи в папку: ") + folder);
    return std::nullopt;
}

// Temporary file beside the target, then rename: a failure leaves no partial file behind.
std::optional<Outcome> writeOutput(const QString& aPath, const QByteArray& aDocument)
{
    QSaveFile file(aPath);
    if (!file.open(QIODevice::WriteOnly))
        return failure(ResultCode::OutputUnwritable,
                       QStringLiteral("Не удалось создать выходной файл %1: %2").arg(aPath, file.errorString()));
    if (file.write(aDocument) != aDocument.size() || !file.commit())
        return failure(ResultCode::OutputUnwritable,
                       QStringLiteral("Не удалось записать выходной файл %1: %2").arg(aPath, file.errorString()));
    return std::nullopt;
}

} // namespace

Outcome convertRequest(const QByteArray& aRequest)
{
    if (auto problem = checkRecord(aRequest))
        return *problem;
    const uchar* record = bytesOf(aRequest);
    const QString source = miKezConverterRunner::LoadPascalStringToString(record + Offset::SourcePath, kPathCapacity);
    const QString output = miKezConverterRunner::LoadPascalStringToString(record + Offset::OutputPath, kPathCapacity);

    QByteArray bytes;
    if (auto problem = readSource(source, bytes))
        return *problem;
    if (auto problem = checkOutput(output, source))
        return *problem;
    const auto encoding = static_cast<SourceEncoding>(ReadInt32(record, Offset::SourceEncoding));
    const QByteArray document = buildRtfDocument(decodeSource(bytes, encoding), fontsOf(record));
    if (auto problem = writeOutput(output, document))
        return *problem;
    return Outcome{ResultCode::Converted, {}};
}

Outcome noRequestOutcome()
{
    return failure(ResultCode::NoRequest,
                   QStringLiteral("В буфере обмена нет параметров конвертации (формат KezCC_ExternalData)."));
}

Outcome internalFailureOutcome(const QString& aDescription)
{
    return failure(ResultCode::InternalFailure, QStringLiteral("Внутренняя ошибка конвертера: ") + aDescription);
}

QByteArray makeReply(const QByteArray& aRequest, const Outcome& aOutcome)
{
    QByteArray reply(kRecordSize, '\0');
    uchar* record = reinterpret_cast<uchar*>(reply.data());
    if (aRequest.size() >= kRecordSize) {
        std::memcpy(record, aRequest.constData(), kRecordSize);
    } else {
        WriteInt32(record, Offset::Signature, qint32(kSignature));
        WriteInt32(record, Offset::Version, kVersion);
        WriteInt32(record, Offset::Size, kRecordSize);
    }
    WriteInt32(record, Offset::ResultCode, aOutcome.code);
    std::memset(record + Offset::ResultMessage, 0, kMessageCapacity);
    if (aOutcome.code < 0)
        miKezConverterRunner::SaveStringToPascalString(record + Offset::ResultMessage, fitMessage(aOutcome.message),
                                                       kMessageCapacity);
    return reply;
}

} // namespace kezcc
