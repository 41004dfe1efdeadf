#include "KezccConversion.h"
#include "FileNames.h"
#include "SourceDecoder.h"

#include "platform/SystemErrorText.h"
#include "runner/ExternalData.h"

#include <QStringList>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kezcc {
namespace {

using namespace ExternalData;

constexpr std::size_t kChunk = std::size_t(1) << 20;

const uchar* bytesOf(const QByteArray& aRecord) { return reinterpret_cast<const uchar*>(aRecord.constData()); }

Outcome failure(qint32 aCode, const QString& aMessage) { return Outcome{aCode, aMessage}; }

Outcome malformed(const QString& aWhat)
{
    return failure(ResultCode::MalformedRequest, QStringLiteral("Блок параметров конвертации повреждён: ") + aWhat);
}

// The same Russian wording, number included, as the program gives for its own failures.
QString systemError(int aError) { return QString::fromStdString(platform::systemErrorText(aError)); }

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

struct ModeField {
    qint32 offset;
    const char* name;
    qint32 largest;
};

constexpr std::array<ModeField, 12> kModeFields = {{{Offset::SourceEncoding, "SourceEncoding", 2},
                                                   {Offset::CSDigitMode, "CSDigitMode", 3},
                                                   {Offset::CSSpaceOutMode, "CSSpaceOutMode", 3},
                                                   {Offset::FtnBottomImpl, "FtnBottomImpl", 1},
                                                   {Offset::FtnMarginImpl, "FtnMarginImpl", 1},
                                                   {Offset::RusMode, "RusMode", 2},
                                                   {Offset::GreekMode, "GreekMode", 1},
                                                   {Offset::ErrorMode, "ErrorMode", 1},
                                                   {Offset::NSModeFunction, "NSModeFunction", 3},
                                                   {Offset::NSModeVariants, "NSModeVariants", 3},
                                                   {Offset::NSModeSpecComm, "NSModeSpecComm", 3},
                                                   {Offset::NSModeCommands, "NSModeCommands", 3}}};

// Closes the descriptor it holds.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The temporary output beside the target; removed unless it became the target.
struct TemporaryOutput {
    std::string name;
    Descriptor file;
    bool renamed = false;
    ~TemporaryOutput()
    {
        if (!name.empty() && !renamed)
            ::unlink(name.c_str());
    }
};

class FileSink : public ByteSink {
public:
    explicit FileSink(int aFile) : mFile(aFile) {}
    void write(const char* aBytes, std::size_t aSize) override
    {
        while (aSize > 0 && mError == 0) {
            const ssize_t written = ::write(mFile, aBytes, aSize);
            if (written < 0) {
                if (errno != EINTR)
                    mError = errno;
                continue;
            }
            aBytes += written;
            aSize -= std::size_t(written);
        }
    }
    int error() const { return mError; }

private:
    int mFile;
    int mError = 0;
};

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

Outcome notRegular(const QString& aPath)
{
    return failure(ResultCode::SourceNotRegularFile,
                   QStringLiteral("Исходный файл не является обычным файлом (это канал, устройство или сокет), "
                                  "его нельзя конвертировать: ") +
                       aPath);
}

// Opens the source only when it is a regular file: a named pipe or a device could block the
// converter, and with it the whole batch, for ever.
std::optional<Outcome> openSource(const QString& aPath, Descriptor& aFile, struct stat& aInfo)
{
    if (aPath.isEmpty())
        return failure(ResultCode::SourceUnreadable, QStringLiteral("Не указан исходный файл."));
    const std::string name = nativeFileName(aPath);
    if (::stat(name.c_str(), &aInfo) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failure(ResultCode::SourceUnreadable, QStringLiteral("Исходный файл не найден: ") + aPath);
        return failure(ResultCode::SourceUnreadable,
                       QStringLiteral("Не удалось открыть исходный файл %1: %2").arg(aPath, systemError(errno)));
    }
    if (S_ISDIR(aInfo.st_mode))
        return failure(ResultCode::SourceUnreadable, QStringLiteral("Вместо исходного файла указана папка: ") + aPath);
    if (!S_ISREG(aInfo.st_mode))
        return notRegular(aPath);
    // Not blocking on open, and checked again on what was opened: the name may have changed.
    aFile.fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (aFile.fd < 0)
        return failure(ResultCode::SourceUnreadable,
                       QStringLiteral("Не удалось открыть исходный файл %1: %2").arg(aPath, systemError(errno)));
    if (::fstat(aFile.fd, &aInfo) != 0 || !S_ISREG(aInfo.st_mode))
        return notRegular(aPath);
    ::fcntl(aFile.fd, F_SETFL, ::fcntl(aFile.fd, F_GETFL) & ~O_NONBLOCK);
    return std::nullopt;
}

QString folderOf(const QString& aPath)
{
    const qsizetype slash = aPath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : aPath.left(slash);
}

std::optional<Outcome> checkOutput(const QString& aPath, const struct stat& aSource)
{
    if (aPath.isEmpty())
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Не указан выходной файл."));
    const QString folder = folderOf(aPath);
    struct stat info;
    if (::stat(nativeFileName(folder).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Папка для выходного файла не существует: ") + folder);
    if (::stat(nativeFileName(aPath).c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return failure(ResultCode::OutputUnwritable, QStringLiteral("Вместо выходного файла указана папка: ") + aPath);
        // Writing the RTF over its own source would lose the source.
        if (info.st_dev == aSource.st_dev && info.st_ino == aSource.st_ino)
            return failure(ResultCode::OutputUnwritable, QStringLiteral("Выходной файл совпадает с исходным: ") + aPath);
    }
    if (::access(nativeFileName(folder).c_str(), W_OK) != 0)
        return failure(ResultCode::OutputUnwritable, QStringLiteral("Нет права записи в папку: ") + folder);
    return std::nullopt;
}

std::optional<Outcome> createTemporary(const QString& aPath, TemporaryOutput& aTemporary)
{
    std::string pattern = nativeFileName(folderOf(aPath)) + "/.kezcc-XXXXXX";
    aTemporary.file.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (aTemporary.file.fd < 0)
        return failure(ResultCode::OutputUnwritable,
                       QStringLiteral("Не удалось создать выходной файл %1: %2").arg(aPath, systemError(errno)));
    aTemporary.name = pattern;
    // mkstemp makes the file private; the RTF gets the mode any new file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(aTemporary.file.fd, 0666 & ~mask);
    return std::nullopt;
}

Outcome readFailure(const QString& aPath, int aError)
{
    return failure(ResultCode::SourceUnreadable,
                   QStringLiteral("Не удалось прочитать исходный файл %1: %2").arg(aPath, systemError(aError)));
}

// The encoding to decode with: a byte-order mark wins over the option, "detect" reads the whole
// source once first. Leaves the file positioned after the mark.
std::optional<Outcome> chooseEncoding(const Request& aRequest, int aFile, std::vector<char>& aBuffer,
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
        const ssize_t got = readFully(aFile, aBuffer.data(), 4);
        if (got < 0)
            return readFailure(aRequest.source, errno);
        if (!byteOrderMark(aBuffer.data(), std::size_t(got), aDetection))
            aDetection = {aRequest.encoding == SourceEncoding::Dos866 ? TextEncoding::Dos866 : TextEncoding::Windows1251,
                          0};
    }
    if (::lseek(aFile, aDetection.bomLength, SEEK_SET) < 0)
        return readFailure(aRequest.source, errno);
    return std::nullopt;
}

QString noticesOf(std::int64_t aErrors, std::int64_t aUndecodable)
{
    QStringList notices;
    if (aErrors > 0)
        notices << QStringLiteral("Ошибок разметки: %1").arg(aErrors);
    if (aUndecodable > 0)
        notices << QStringLiteral("Недопустимых байтов в исходном файле (заменены знаком \uFFFD): %1").arg(aUndecodable);
    return notices.join(QStringLiteral("; "));
}

} // namespace

std::optional<Outcome> readRequest(const QByteArray& aRecord, Request& aRequest)
{
    if (aRecord.size() < kRecordSize)
        return malformed(QStringLiteral("его размер %1 байт вместо %2.").arg(aRecord.size()).arg(kRecordSize));
    const uchar* record = bytesOf(aRecord);
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
    for (const ModeField& field : kModeFields) {
        const qint32 value = ReadInt32(record, field.offset);
        if (value < 0 || value > field.largest)
            return malformed(QStringLiteral("недопустимое значение %1 = %2.").arg(QLatin1String(field.name)).arg(value));
    }

    aRequest.source = miKezConverterRunner::LoadPascalStringToString(record + Offset::SourcePath, kPathCapacity);
    aRequest.output = miKezConverterRunner::LoadPascalStringToString(record + Offset::OutputPath, kPathCapacity);
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
    if (auto problem = checkOutput(aRequest.output, sourceInfo))
        return *problem;

    std::vector<char> bytes(kChunk);
    Detection detection;
    if (auto problem = chooseEncoding(aRequest, source.fd, bytes, detection))
        return *problem;

    TemporaryOutput temporary;
    if (auto problem = createTemporary(aRequest.output, temporary))
        return *problem;
    FileSink sink(temporary.file.fd);
    const auto writer = std::make_unique<RtfWriter>(aRequest.fonts, aRequest.rusMode, aRequest.greekMode, sink);
    KezMarkup markup(aRequest.markup, *writer);
    SourceDecoder decoder(detection.encoding);
    std::vector<char32_t> text(kChunk + 2);
    for (;;) {
        const ssize_t got = readFully(source.fd, bytes.data(), bytes.size());
        if (got < 0)
            return readFailure(aRequest.source, errno);
        if (got == 0)
            break;
        markup.feed(text.data(), decoder.decode(bytes.data(), std::size_t(got), text.data()));
        if (sink.error() != 0)
            break;
    }
    markup.feed(text.data(), decoder.finish(text.data()));
    markup.finish();
    writer->finish();

    int error = sink.error();
    if (error == 0 && ::close(temporary.file.fd) != 0)
        error = errno;
    temporary.file.fd = -1;
    if (error == 0 && ::rename(temporary.name.c_str(), nativeFileName(aRequest.output).c_str()) != 0)
        error = errno;
    if (error != 0)
        return failure(ResultCode::OutputUnwritable,
                       QStringLiteral("Не удалось записать выходной файл %1: %2").arg(aRequest.output, systemError(error)));
    temporary.renamed = true;
    return Outcome{ResultCode::Converted, noticesOf(markup.errors(), decoder.undecodable())};
}

Outcome convertRequest(const QByteArray& aRequest)
{
    Request request;
    if (auto problem = readRequest(aRequest, request))
        return *problem;
    return convertFile(request);
}

Outcome noRequestOutcome()
{
    return failure(ResultCode::NoRequest, QStringLiteral("В буфере обмена нет параметров конвертации (формат %1).")
                                              .arg(QLatin1String(ConverterCodes::kFormatName)));
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
    if (!aOutcome.message.isEmpty())
        miKezConverterRunner::SaveStringToPascalString(record + Offset::ResultMessage, fitMessage(aOutcome.message),
                                                       kMessageCapacity);
    return reply;
}

} // namespace kezcc
