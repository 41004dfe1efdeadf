#pragma once
#include <cstdint>
#include <string>

// The registry, shaped after RegOpenKeyEx, RegCreateKeyEx, RegQueryValueEx, RegSetValueEx and
// RegCloseKey (wide forms): handles, typed values and Win32 result codes.
namespace platform {

using RegKey = std::uintptr_t;      // an HKEY
using RegResult = std::int32_t;     // a Win32 error code, 0 = success

inline constexpr RegKey kHKeyCurrentUser = 0x80000001u;

namespace RegType {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t MultiSz = 7;
inline constexpr std::uint32_t Qword = 11;
} // namespace RegType

namespace RegAccess {
inline constexpr std::uint32_t QueryValue = 0x0001;
inline constexpr std::uint32_t SetValue = 0x0002;
} // namespace RegAccess

namespace RegError {
inline constexpr RegResult Success = 0;
inline constexpr RegResult FileNotFound = 2;
inline constexpr RegResult AccessDenied = 5;
inline constexpr RegResult InvalidHandle = 6;
inline constexpr RegResult InvalidParameter = 87;
inline constexpr RegResult MoreData = 234;
} // namespace RegError

class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key below root (a predefined root or an open key). subKey uses "\".
    virtual RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) = 0;

    // Opens the key, creating it and every missing key on its path.
    virtual RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) = 0;

    // With data null: reports type and size in bytes. Otherwise copies at most *dataSize bytes
    // (MoreData when the buffer is too small) and sets *dataSize. Strings are UTF-16LE with
    // their terminating NUL, as the wide API returns them.
    virtual RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* dataSize) = 0;

    virtual RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t dataSize) = 0;

    virtual RegResult closeKey(RegKey key) = 0;
};

} // namespace platform
