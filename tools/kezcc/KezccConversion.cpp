#include "KezccConversion.h"
#include "Descriptor.h"
#include "DigitFonts.h"
#include "FileNames.h"
#include "OutputFile.h"
#include "SourceDecoder.h"
#include "SystemError.h"
#include "Text.h"

#include "protocol/ExternalDataLayout.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kezcc {
namespace {

using namespace ExternalData;

// Small enough to stay in the cache and to cost no fresh pages per run: a larger one was mostly
// zeroing and page faults.
constexpr std::size_t kChunk = std::size_t(64) << 10;

const unsigned char* bytesOf(std::string_view aRecord) { return reinterpret_cast<const unsigned char*>(aRecord.data()); }

Outcome failure(std::int32_t aCode, const Text& aMessage) { return Outcome{aCode, aMessage}; }

Outcome malformed(const Text& aWhat)
{
    return failure(ResultCode::MalformedRequest, u"Блок параметров конвертации повреждён: " + aWhat);
}

// The most code units the reply's message field holds (1022); a longer text is cut visibly.
constexpr std::int32_t kMaxMessageUnits = MaxUnits(kMessageCapacity);

std::array<RtfFont, kFontCount> fontsOf(const unsigned char* aRecord)
{
    // Greek and Latin text want their own character sets; everything else is Cyrillic.
    constexpr std::array<std::int32_t, kFontCount> kCharsets = {204, 204, 204, 204, 204, 161, 0, 204, 204};
    std::array<RtfFont, kFontCount> fonts;
    for (int i = 0; i < kFontCount; ++i) {
        const unsigned char* font = aRecord + kFontOffsets[i];
        fonts[i].face = ReadCountedString(font + FontOffset::Face, kFaceCapacity);
        fonts[i].size = ReadInt32(font, FontOffset::Size);
        fonts[i].bold = ReadInt32(font, FontOffset::Bold) != 0;
        fonts[i].italic = ReadInt32(font, FontOffset::Italic) != 0;
        fonts[i].foreColorIndex = ReadInt32(font, FontOffset::ForeColorIndex);
        fonts[i].backColorIndex = ReadInt32(font, FontOffset::BackColorIndex);
        fonts[i].charset = kCharsets[i];
    }
    return fonts;
}

// Where the request holds each choice of the options; the range and name are the options table's.
struct ModeField {
    std::int32_t offset;
    OptionValues::Range range;
};

constexpr std::array<ModeField, 12> kModeFields = {{{Offset::SourceEncoding, OptionValues::Ranges::SourceEncoding},
                                                   {Offset::CSDigitMode, OptionValues::Ranges::CSDigitMode},
                                                   {Offset::CSSpaceOutMode, OptionValues::Ranges::CSSpaceOutMode},
                                                   {Offset::FtnBottomImpl, OptionValues::Ranges::FtnBottomImpl},
                                                   {Offset::FtnMarginImpl, OptionValues::Ranges::FtnMarginImpl},
                                                   {Offset::RusMode, OptionValues::Ranges::RusMode},
                                                   {Offset::GreekMode, OptionValues::Ranges::GreekMode},
                                                   {Offset::ErrorMode, OptionValues::Ranges::ErrorMode},
                                                   {Offset::NSModeFunction, OptionValues::Ranges::NSModeFunction},
                                                   {Offset::NSModeVariants, OptionValues::Ranges::NSModeVariants},
                                                   {Offset::NSModeSpecComm, OptionValues::Ranges::NSModeSpecComm},
                                                   {Offset::NSModeCommands, OptionValues::Ranges::NSModeCommands}}};

// Reads as much as asked for, unless the file ends first; -1 with errno on failure.
ssize_t readFully(int aFile, char* aBuffer, std::size_t aSize)
{
    std::size_t done = 0;
    while (done < aSize) {
        const ssize_t got = ::read(aFile, aBuffer + done, aSize - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return ssize_t(done);
}

Outcome notRegular(const Text& aPath)
{
    return failure(ResultCode::SourceNotRegularFile,
                   u"Исходный файл не является обычным файлом (это канал, устройство или сокет), "
                   u"его нельзя конвертировать: " +
                       aPath);
}

// Opens the source only when it is a regular file: a named pipe or a device could block the
// converter, and with it the whole batch, for ever.
std::optional<Outcome> openSource(const Text& aPath, Descriptor& aFile, struct stat& aInfo)
{
    if (aPath.empty())
        return failure(ResultCode::SourceUnreadable, u"Не указан исходный файл.");
    const std::string name = nativeFileName(aPath);
    if (::stat(name.c_str(), &aInfo) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failure(ResultCode::SourceUnreadable, u"Исходный файл не найден: " + aPath);
        return failure(ResultCode::SourceUnreadable,
                       u"Не удалось открыть исходный файл " + aPath + u": " + systemError(errno));
    }
    if (S_ISDIR(aInfo.st_mode))
        return failure(ResultCode::SourceUnreadable, u"Вместо исходного файла указана папка: " + aPath);
    if (!S_ISREG(aInfo.st_mode))
        return notRegular(aPath);
    // Not blocking on open, and checked again on what was opened: the name may have changed.
    aFile.fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (aFile.fd < 0)
        return failure(ResultCode::SourceUnreadable,
                       u"Не удалось открыть исходный файл " + aPath + u": " + systemError(errno));
    if (::fstat(aFile.fd, &aInfo) != 0 || !S_ISREG(aInfo.st_mode))
        return notRegular(aPath);
    ::fcntl(aFile.fd, F_SETFL, ::fcntl(aFile.fd, F_GETFL) & ~O_NONBLOCK);
    return std::nullopt;
}

Outcome readFailure(const Text& aPath, int aError)
{
    return failure(ResultCode::SourceUnreadable,
                   u"Не удалось прочитать исходный файл " + aPath + u": " + systemError(aError));
}

// The encoding to decode with: a byte-order mark wins over the option, "detect" reads the whole
// source once first. Leaves the file positioned after the mark.
std::optional<Outcome> chooseEncoding(const Request& aRequest, int aFile, std::span<char> aBuffer,
                                      Detection& aDetection)
{
    if (aRequest.encoding == SourceEncoding::Detect) {
        struct stat info;
        EncodingDetector detector(::fstat(aFile, &info) == 0 ? std::int64_t(info.st_size) : -1);
        for (;;) {
            const ssize_t got = readFully(aFile, aBuffer.data(), aBuffer.size());
            if (got < 0)
                return readFailure(aRequest.source, errno);
            if (got == 0)
                break;
            detector.feed(aBuffer.data(), std::size_t(got));
        }
        aDetection = detector.result();
    } else {
        const ssize_t got = readFully(aFile, aBuffer.data(), aBuffer.size());
        if (got < 0)
            return readFailure(aRequest.source, errno);
        if (!byteOrderMark(aBuffer.data(), std::size_t(got), aDetection)) {
            aDetection = {aRequest.encoding == SourceEncoding::Dos866 ? TextEncoding::Dos866 : TextEncoding::Windows1251,
                          0};
            // A source that is UTF-8 throughout cannot be meant in a code page (Russian in one is
            // invalid UTF-8 within its first words), and read in one it would be unreadable: it
            // is read as UTF-8, and the reply says so. The check stops at the first byte that is
            // no UTF-8, which in a code-page source comes early.
            EncodingDetector checker;
            for (ssize_t more = got; more > 0 && checker.invalidBytes() == 0;) {
                checker.feed(aBuffer.data(), std::size_t(more));
                more = readFully(aFile, aBuffer.data(), aBuffer.size());
                if (more < 0)
                    return readFailure(aRequest.source, errno);
            }
            if (checker.invalidBytes() == 0 && checker.validSequences() >= kUnmistakableUtf8) {
                aDetection.encoding = TextEncoding::Utf8;
                aDetection.readAsUtf8 = true;
            }
        }
    }
    if (::lseek(aFile, aDetection.bomLength, SEEK_SET) < 0)
        return readFailure(aRequest.source, errno);
    return std::nullopt;
}

// A source written to or replaced while it was read gives a result that matches no version of it:
// the whole of it was read, and it is still the file of the same size and time that was opened.
std::optional<Outcome> checkSourceUnchanged(const Text& aPath, int aFile, const struct stat& aBefore)
{
    struct stat after;
    struct stat named;
    const bool unchanged = ::lseek(aFile, 0, SEEK_CUR) == aBefore.st_size && ::fstat(aFile, &after) == 0 &&
                           after.st_size == aBefore.st_size && after.st_mtim.tv_sec == aBefore.st_mtim.tv_sec &&
                           after.st_mtim.tv_nsec == aBefore.st_mtim.tv_nsec &&
                           ::stat(nativeFileName(aPath).c_str(), &named) == 0 && named.st_dev == aBefore.st_dev &&
                           named.st_ino == aBefore.st_ino;
    if (unchanged)
        return std::nullopt;
    return failure(ResultCode::SourceUnreadable,
                   u"Исходный файл изменился, пока его читали; результат не записан: " + aPath);
}

Text noticesOf(const Detection& aDetection, std::int64_t aErrors, std::int64_t aUndecodable,
               const Text& aFontRemarks)
{
    Text notices;
    if (aDetection.readAsUtf8)
        appendRemark(notices, u"Исходный файл прочитан как UTF-8, а не в кодировке, выбранной в параметрах: весь он — "
                              u"правильный текст UTF-8");
    if (aErrors > 0)
        appendRemark(notices, u"Ошибок разметки: " + number(aErrors));
    if (aUndecodable > 0)
        appendRemark(notices, u"Недопустимых байтов в исходном файле (заменены знаком \uFFFD): " + number(aUndecodable));
    if (!aFontRemarks.empty())
        appendRemark(notices, aFontRemarks);
    return notices;
}

} // namespace

std::optional<Outcome> readRequest(std::string_view aRecord, Request& aRequest)
{
    if (aRecord.size() < std::size_t(kRecordSize))
        return malformed(u"его размер " + number(std::int64_t(aRecord.size())) + u" байт вместо " + number(kRecordSize) +
                         u".");
    const unsigned char* record = bytesOf(aRecord);
    if (std::uint32_t(ReadInt32(record, Offset::Signature)) != kSignature)
        return malformed(u"неверная сигнатура.");
    if (ReadInt32(record, Offset::Version) != kVersion)
        return malformed(u"неподдерживаемая версия " + number(ReadInt32(record, Offset::Version)) + u".");
    if (ReadInt32(record, Offset::Size) != kRecordSize)
        return malformed(u"в нём указан размер " + number(ReadInt32(record, Offset::Size)) + u" байт вместо " +
                         number(kRecordSize) + u".");
    for (const std::int32_t offset : kFontOffsets) {
        if (!IsWellFormedCountedString(record + offset + FontOffset::Face, kFaceCapacity))
            return malformed(u"неверная длина имени шрифта (смещение " + number(offset) + u").");
    }
    if (!IsWellFormedCountedString(record + Offset::SourcePath, kPathCapacity))
        return malformed(u"неверная длина пути к исходному файлу.");
    if (!IsWellFormedCountedString(record + Offset::OutputPath, kPathCapacity))
        return malformed(u"неверная длина пути к выходному файлу.");
    for (const ModeField& field : kModeFields) {
        const OptionValues::Range& row = field.range;
        const std::int32_t value = ReadInt32(record, field.offset);
        if (value < row.Minimum || value > row.Maximum)
            return malformed(u"недопустимое значение " + fromUtf8(row.Name) + u" = " + number(value) + u".");
    }

    aRequest.source = ReadCountedString(record + Offset::SourcePath, kPathCapacity);
    aRequest.output = ReadCountedString(record + Offset::OutputPath, kPathCapacity);
    aRequest.encoding = static_cast<SourceEncoding>(ReadInt32(record, Offset::SourceEncoding));
    aRequest.fonts = fontsOf(record);
    aRequest.rusMode = ReadInt32(record, Offset::RusMode);
    aRequest.greekMode = ReadInt32(record, Offset::GreekMode);
    aRequest.markup.specialComments = ReadInt32(record, Offset::NSModeSpecComm);
    aRequest.markup.commands = ReadInt32(record, Offset::NSModeCommands);
    aRequest.markup.functions = ReadInt32(record, Offset::NSModeFunction);
    aRequest.markup.variants = ReadInt32(record, Offset::NSModeVariants);
    aRequest.markup.errorMode = ReadInt32(record, Offset::ErrorMode);
    aRequest.markup.csDigits = ReadInt32(record, Offset::CSDigitMode);
    aRequest.markup.csSpaceOut = ReadInt32(record, Offset::CSSpaceOutMode);
    aRequest.markup.bottomNotes = ReadInt32(record, Offset::FtnBottomImpl);
    aRequest.markup.marginNotes = ReadInt32(record, Offset::FtnMarginImpl);
    // A colour index outside the palette is no highlight, as in the fonts.
    aRequest.markup.bottomNoteBack = ReadInt32(record, Offset::FtnBottomBack);
    aRequest.markup.marginNoteBack = ReadInt32(record, Offset::FtnMarginBack);
    return std::nullopt;
}

Outcome convertFile(const Request& aRequest)
{
    Descriptor source;
    struct stat sourceInfo;
    if (auto problem = openSource(aRequest.source, source, sourceInfo))
        return *problem;
    OutputFile output;
    if (auto problem = output.check(aRequest.output, sourceInfo))
        return *problem;

    // Neither buffer is zeroed: only what was read or decoded into it is used, and zeroing every
    // page costs a converter started once per file more than the rest of a small file does.
    const auto bytes = std::make_unique_for_overwrite<char[]>(kChunk);
    Detection detection;
    if (auto problem = chooseEncoding(aRequest, source.fd, {bytes.get(), kChunk}, detection))
        return *problem;

    if (auto problem = output.create())
        return *problem;
    FileSink& sink = output.sink();
    const auto writer = std::make_unique<RtfWriter>(aRequest.fonts, aRequest.rusMode, aRequest.greekMode, sink);
    DigitFonts digitFonts(aRequest.markup.csDigits, writtenFace(aRequest.fonts[FontIndex::ERoos].face),
                          writtenFace(aRequest.fonts[FontIndex::CsOther].face), systemFonts);
    KezMarkup markup(aRequest.markup, *writer, &digitFonts);
    SourceDecoder decoder(detection.encoding);
    const auto text = std::make_unique_for_overwrite<char32_t[]>(kChunk + 2);
    for (;;) {
        const ssize_t got = readFully(source.fd, bytes.get(), kChunk);
        if (got < 0)
            return readFailure(aRequest.source, errno);
        if (got == 0)
            break;
        markup.feed(text.get(), decoder.decode(bytes.get(), std::size_t(got), text.get()));
        if (sink.error() != 0)
            break;
    }
    markup.feed(text.get(), decoder.finish(text.get()));
    markup.finish();
    writer->finish();

    if (sink.error() == 0) {
        if (auto problem = checkSourceUnchanged(aRequest.source, source.fd, sourceInfo))
            return *problem;
    }
    if (auto problem = output.commit())
        return *problem;
    return Outcome{ResultCode::Converted, noticesOf(detection, markup.errors(), decoder.undecodable(), digitFonts.remarks())};
}

Outcome convertRequest(std::string_view aRequest)
{
    Request request;
    if (auto problem = readRequest(aRequest, request))
        return *problem;
    return convertFile(request);
}

Outcome noRequestOutcome()
{
    return failure(ResultCode::NoRequest, u"В буфере обмена нет параметров конвертации (формат " +
                                              fromUtf8(ConverterCodes::kFormatName) + u").");
}

Outcome internalFailureOutcome(const Text& aDescription)
{
    return failure(ResultCode::InternalFailure, u"Внутренняя ошибка конвертера: " + aDescription);
}

std::string makeReply(std::string_view aRequest, const Outcome& aOutcome)
{
    std::string reply(std::size_t(kRecordSize), '\0');
    unsigned char* record = reinterpret_cast<unsigned char*>(reply.data());
    if (aRequest.size() >= std::size_t(kRecordSize)) {
        std::memcpy(record, aRequest.data(), std::size_t(kRecordSize));
    } else {
        WriteInt32(record, Offset::Signature, std::int32_t(kSignature));
        WriteInt32(record, Offset::Version, kVersion);
        WriteInt32(record, Offset::Size, kRecordSize);
    }
    WriteInt32(record, Offset::ResultCode, aOutcome.code);
    std::memset(record + Offset::ResultMessage, 0, kMessageCapacity);
    WriteCountedString(record + Offset::ResultMessage, fitted(aOutcome.message, std::size_t(kMaxMessageUnits)),
                       kMessageCapacity);
    return reply;
}

} // namespace kezcc
