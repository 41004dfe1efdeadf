#include "core/options/miRegistryTools.h"
#include "core/errors/mErrorHandling.h"
#include "platform/Services.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

using mErrorHandling::PassOn;
using platform::RegKey;
using platform::RegResult;
namespace RegError = platform::RegError;
namespace RegType = platform::RegType;

namespace miRegistryTools {
namespace {

constexpr const char* kModule = "miRegistryTools";

RegResult gLastRegistryError = RegError::Success;

platform::Registry& registry() { return platform::service<platform::Registry>(); }

std::u16string toName(const QString& aText) { return aText.toStdU16String(); }

// Registry texts are UTF-16LE whatever the host's byte order.
void appendUtf16(std::vector<std::uint8_t>& aBytes, const QString& aText)
{
    for (const QChar c : aText) {
        aBytes.push_back(std::uint8_t(c.unicode() & 0xFF));
        aBytes.push_back(std::uint8_t(c.unicode() >> 8));
    }
    aBytes.push_back(0);
    aBytes.push_back(0);
}

QString fromUtf16(const std::vector<std::uint8_t>& aBytes)
{
    QString text;
    text.reserve(int(aBytes.size() / 2));
    for (std::size_t i = 0; i + 1 < aBytes.size(); i += 2)
        text.append(QChar(char16_t(aBytes[i] | (aBytes[i + 1] << 8))));
    return text;
}

// The data and type of one value as stored; the size is asked first, and asked again when the
// value grew in between (another program may write at the same time).
RegResult queryRaw(RegKey aKey, const std::u16string& aName, std::uint32_t& aType, std::vector<std::uint8_t>& aData)
{
    RegResult result = RegError::MoreData;
    for (int attempt = 0; attempt < 8 && result == RegError::MoreData; ++attempt) {
        std::uint32_t size = 0;
        result = registry().queryValue(aKey, aName, &aType, nullptr, &size);
        if (result != RegError::Success)
            return result;
        aData.assign(size, 0);
        if (size == 0)
            return RegError::Success;
        result = registry().queryValue(aKey, aName, &aType, aData.data(), &size);
        if (result == RegError::Success)
            aData.resize(size);
    }
    return result;
}

RegResult OpenKey(RegKey aRoot, const QString& aKeyPath, std::uint32_t aAccess, RegKey& aKey)
{
    return PassOn(kModule, "OpenKey", [&] { return registry().openKey(aRoot, toName(aKeyPath), aAccess, &aKey); });
}

RegResult CreateKey(RegKey aRoot, const QString& aKeyPath, std::uint32_t aAccess, RegKey& aKey)
{
    return PassOn(kModule, "CreateKey", [&] { return registry().createKey(aRoot, toName(aKeyPath), aAccess, &aKey); });
}

RegResult CloseKey(RegKey aKey)
{
    return PassOn(kModule, "CloseKey", [&] { return registry().closeKey(aKey); });
}

// Closes a key that a failure left open; the normal path closes it through CloseKey.
class OpenedKey {
public:
    explicit OpenedKey(RegKey aKey) : mKey(aKey) {}
    ~OpenedKey()
    {
        if (mKey)
            registry().closeKey(mKey);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    RegKey get() const { return mKey; }
    void close()
    {
        const RegKey key = mKey;
        mKey = 0;
        CloseKey(key);
    }

private:
    RegKey mKey;
};

RegResult RegQueryValueEx(RegKey aKey, const QString& aValueName, QVariant& aValue, quint32& aType)
{
    return PassOn(kModule, "RegQueryValueEx", [&] {
        aValue = QVariant();
        aType = 0;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        const RegResult result = queryRaw(aKey, toName(aValueName), type, data);
        if (result != RegError::Success)
            return result;
        aType = type;
        switch (type) {
        case RegType::Dword: {
            data.resize(std::max<std::size_t>(data.size(), 4), 0);
            const quint32 n = quint32(data[0]) | (quint32(data[1]) << 8) | (quint32(data[2]) << 16) |
                              (quint32(data[3]) << 24);
            aValue = QVariant(qint32(n));
            break;
        }
        case RegType::Sz:
        case RegType::ExpandSz: {
            // Not expanded. The terminating NUL is dropped; data stored without one loses nothing.
            QString text = fromUtf16(data);
            if (text.endsWith(QChar(0)))
                text.chop(1);
            aValue = QVariant(text);
            break;
        }
        case RegType::MultiSz: {
            // Strings each ending in NUL, then one more NUL. Both terminators are dropped before
            // splitting, so a written list reads back exactly, empty strings included.
            QString text = fromUtf16(data);
            QStringList list;
            if (!text.isEmpty() && text != QString(QChar(0))) {
                for (int i = 0; i < 2 && text.endsWith(QChar(0)); ++i)
                    text.chop(1);
                list = text.split(QChar(0));
            }
            aValue = QVariant(list);
            break;
        }
        case RegType::Binary:
            aValue = QVariant(QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
            break;
        default:
            // Other types (a 64-bit number among them) are not used: no value, no failure.
            break;
        }
        return RegResult(RegError::Success);
    });
}

RegResult RegSetValueEx(RegKey aKey, const QString& aValueName, quint32 aType, const QVariant& aValue)
{
    return PassOn(kModule, "RegSetValueEx", [&] {
        std::vector<std::uint8_t> data;
        switch (aType) {
        case RegType::Sz:
        case RegType::ExpandSz:
            appendUtf16(data, aValue.toString());
            break;
        case RegType::Dword: {
            const quint32 n = quint32(aValue.toInt());
            data = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
            break;
        }
        case RegType::MultiSz:
            for (const QString& item : aValue.toStringList())
                appendUtf16(data, item);
            data.push_back(0);
            data.push_back(0);
            break;
        case RegType::Binary: {
            const QByteArray bytes = aValue.toByteArray();
            data.assign(bytes.begin(), bytes.end());
            break;
        }
        case RegType::Qword:
            return RegResult(RegError::Success);
        default:
            return RegResult(RegError::InvalidParameter);
        }
        return registry().setValue(aKey, toName(aValueName), aType, data.data(), std::uint32_t(data.size()));
    });
}

std::optional<QString> asText(const QVariant& aValue)
{
    switch (aValue.typeId()) {
    case QMetaType::Int:
        return QString::number(aValue.toInt());
    case QMetaType::QString:
        return aValue.toString();
    default:
        return std::nullopt;
    }
}

// A stored number, or text that spells one (C notation, no group separators).
std::optional<double> asNumber(const QVariant& aValue)
{
    if (aValue.typeId() == QMetaType::Int)
        return double(aValue.toInt());
    if (aValue.typeId() != QMetaType::QString)
        return std::nullopt;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double number = c.toDouble(aValue.toString().trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

// Fractions round half to even, as the classic integer conversion does; beyond 32 bits the
// number cannot be converted.
std::optional<qint32> toLong(double aNumber)
{
    const double rounded = std::nearbyint(aNumber);
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

} // namespace

bool LoadValue(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, QVariant& aValue, quint32& aType)
{
    return PassOn(kModule, "LoadValue", [&] {
        aValue = QVariant();
        aType = 0;
        RegKey key = 0;
        RegResult result = OpenKey(aRoot, aKeyPath, platform::RegAccess::QueryValue, key);
        if (result == RegError::Success) {
            OpenedKey opened(key);
            result = RegQueryValueEx(opened.get(), aValueName, aValue, aType);
            opened.close();
        }
        gLastRegistryError = result;
        return result == RegError::Success;
    });
}

bool SaveValue(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, const QVariant& aValue, quint32 aType)
{
    return PassOn(kModule, "SaveValue", [&] {
        RegKey key = 0;
        RegResult result = CreateKey(aRoot, aKeyPath, platform::RegAccess::SetValue, key);
        if (result == RegError::Success) {
            OpenedKey opened(key);
            result = RegSetValueEx(opened.get(), aValueName, aType, aValue);
            opened.close();
        }
        gLastRegistryError = result;
        return result == RegError::Success;
    });
}

QString ReadStrValueDef(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, const QString& aDefault)
{
    return PassOn(kModule, "ReadStrValueDef", [&]() -> QString {
        QVariant value;
        quint32 type = 0;
        if (!LoadValue(aRoot, aKeyPath, aValueName, value, type))
            return aDefault;
        return asText(value).value_or(aDefault);
    });
}

qint32 ReadLongValueDef(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, qint32 aDefault)
{
    return PassOn(kModule, "ReadLongValueDef", [&] {
        QVariant value;
        quint32 type = 0;
        if (!LoadValue(aRoot, aKeyPath, aValueName, value, type))
            return aDefault;
        const std::optional<double> number = asNumber(value);
        return number ? toLong(*number).value_or(aDefault) : aDefault;
    });
}

qint32 ReadLongValueRangeDef(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, qint32 aMinimum,
                             qint32 aMaximum, qint32 aDefault)
{
    return PassOn(kModule, "ReadLongValueRangeDef", [&] {
        QVariant value;
        quint32 type = 0;
        if (!LoadValue(aRoot, aKeyPath, aValueName, value, type))
            return aDefault;
        const std::optional<double> number = asNumber(value);
        if (!number || *number < aMinimum || *number > aMaximum)
            return aDefault;
        return toLong(*number).value_or(aDefault);
    });
}

bool ReadBoolValueDef(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, bool aDefault)
{
    return PassOn(kModule, "ReadBoolValueDef", [&] {
        const QString text = ReadStrValueDef(aRoot, aKeyPath, aValueName, QStringLiteral("*")).toLower();
        if (text == QLatin1String("*"))
            return aDefault;
        static const QStringList kTrue = {QStringLiteral("true"), QStringLiteral("1"), QStringLiteral("-1"),
                                          QStringLiteral("yes"), QStringLiteral("y")};
        static const QStringList kFalse = {QStringLiteral("false"), QStringLiteral("0"), QString(),
                                           QStringLiteral("no"), QStringLiteral("n")};
        if (kTrue.contains(text))
            return true;
        if (kFalse.contains(text))
            return false;
        return aDefault;
    });
}

bool WriteStrValue(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, const QString& aText)
{
    return PassOn(kModule, "WriteStrValue",
                  [&] { return SaveValue(aRoot, aKeyPath, aValueName, QVariant(aText), RegType::Sz); });
}

bool WriteLongValue(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, qint32 aValue)
{
    return PassOn(kModule, "WriteLongValue",
                  [&] { return SaveValue(aRoot, aKeyPath, aValueName, QVariant(aValue), RegType::Dword); });
}

bool WriteBoolValue(RegKey aRoot, const QString& aKeyPath, const QString& aValueName, bool aValue)
{
    return PassOn(kModule, "WriteBoolValue",
                  [&] { return WriteLongValue(aRoot, aKeyPath, aValueName, aValue ? 1 : 0); });
}

RegResult LastRegistryError() { return gLastRegistryError; }

RegistryBatch::RegistryBatch() : mOpen(registry().beginBatch() == RegError::Success)
{
    // What this save meets, alone: an earlier failure is no failure of it.
    gLastRegistryError = RegError::Success;
}

RegistryBatch::~RegistryBatch()
{
    if (mOpen)
        Commit();
}

bool RegistryBatch::Commit()
{
    if (!mOpen)
        return false;
    mOpen = false;
    const RegResult result = registry().commitBatch();
    if (result != RegError::Success)
        gLastRegistryError = result;
    return result == RegError::Success;
}

void RegistryBatch::CommitOrRaise(const QString& aKeyPath)
{
    PassOn(kModule, "RegistryBatch.Commit", [&] {
        Commit();
        if (gLastRegistryError == RegError::Success)
            return;
        mErrorHandling::RaiseError(KezErrorNumber::PathFileAccessError,
                                   QStringLiteral("Не удалось сохранить настройки в разделе реестра \"HKEY_CURRENT_USER\\%1\": %2.")
                                       .arg(aKeyPath, RegistryErrorText(gLastRegistryError)));
    });
}

QString RegistryErrorText(platform::RegResult aResult)
{
    QString words;
    switch (aResult) {
    case RegError::FileNotFound: words = QStringLiteral("раздел не найден"); break;
    case RegError::AccessDenied:
    case RegError::NoAccess: words = QStringLiteral("отказано в доступе"); break;
    case RegError::OutOfMemory: words = QStringLiteral("недостаточно памяти"); break;
    case RegError::DiskFull: words = QStringLiteral("нет места на диске"); break;
    case RegError::RegistryIoFailed: words = QStringLiteral("файл настроек не удалось записать"); break;
    default: words = QStringLiteral("ошибка реестра"); break;
    }
    return words + QStringLiteral(" (ошибка %1)").arg(aResult);
}

RegistryReadBatch::RegistryReadBatch() : mOpen(registry().beginReadBatch() == RegError::Success) {}

RegistryReadBatch::~RegistryReadBatch()
{
    if (mOpen)
        registry().endReadBatch();
}

} // namespace miRegistryTools
