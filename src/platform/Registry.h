#pragma once
#include <cstdint>
#include <string>

// The registry, shaped after RegOpenKeyEx, RegCreateKeyEx, RegQueryValueEx, RegSetValueEx and
// RegCloseKey (wide forms): handles, typed values and Win32 result codes.
namespace platform {

using RegKey = std::uintptr_t;      // an HKEY
using RegResult = std::int32_t;     // a Win32 error code, 0 = success

// The predefined root. The Windows backend maps it to the real HKEY_CURRENT_USER (which is
// sign-extended on 64-bit builds); closing it is allowed and does nothing, as on Windows.
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
inline constexpr std::uint32_t AllAccess = 0xF003F;
} // namespace RegAccess

namespace RegError {
inline constexpr RegResult Success = 0;
inline constexpr RegResult FileNotFound = 2;
inline constexpr RegResult AccessDenied = 5;
inline constexpr RegResult InvalidHandle = 6;
inline constexpr RegResult OutOfMemory = 14;
inline constexpr RegResult InvalidParameter = 87;
inline constexpr RegResult DiskFull = 112;
inline constexpr RegResult MoreData = 234;
inline constexpr RegResult NoAccess = 998;
inline constexpr RegResult RegistryIoFailed = 1016;
inline constexpr RegResult KeyDeleted = 1018;
} // namespace RegError

// Every operation returns a Win32 result code; none throws for a registry condition.
// Key and value names compare case-insensitively and keep the case they were created with.
// The empty value name is the key's default value.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key below root (a predefined root or an open key). subKey uses "\";
    // an empty subKey opens root itself again. FileNotFound when the key does not exist,
    // InvalidHandle for an unknown root, InvalidParameter when result is null.
    // The handle allows only what access asks for (AccessDenied otherwise).
    virtual RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) = 0;

    // Opens the key, creating it and every missing key on its path.
    virtual RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) = 0;

    // With data null: reports type and size in bytes. Otherwise copies at most *dataSize bytes
    // (MoreData when the buffer is too small, with *dataSize set to the size needed) and sets
    // *dataSize. type may be null. InvalidParameter when data is given without dataSize.
    // Strings are UTF-16LE with their terminating NUL, as the wide API returns them.
    virtual RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* dataSize) = 0;

    // Stores the bytes as given under any type number; the registry does not interpret them.
    virtual RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t dataSize) = 0;

    // InvalidHandle for a handle that is not open.
    virtual RegResult closeKey(RegKey key) = 0;

    // Opens a batch: until the matching commitBatch, keys created and values set in this process
    // are applied in memory (reads here see them) and then written together, so that other
    // processes see all of them or none. Batches nest; only the outermost commit writes. A
    // backend whose store has its own journal may write each change at once.
    virtual RegResult beginBatch() = 0;

    // Writes what the batch holds as one change. On failure nothing of it is written, what was
    // already stored stays as it was, and the batch's changes are dropped.
    // InvalidParameter without an open batch.
    virtual RegResult commitBatch() = 0;

    // Opens a read batch: until the matching endReadBatch, every read in this process (values,
    // and whether keys exist) comes from the one version of the store that its first read finds,
    // with this process's own changes on top: those of an open batch, and those stored since the
    // version was taken. Changes other processes store meanwhile are not seen until it ends;
    // a read outside every read batch sees the newest version. Read batches nest (the outermost
    // one takes the version) and may open and end in any order with batches: a batch's changes
    // are seen in a read batch as soon as they are made, and a batch that fails to commit drops
    // them from its view too. A backend whose store is never seen half-changed may read each
    // value as it is; the calls must still be matched.
    virtual RegResult beginReadBatch() = 0;

    // InvalidParameter without an open read batch.
    virtual RegResult endReadBatch() = 0;
};

// Keeps a batch open for its lifetime; commits on leaving the scope unless commit() was called.
class RegistryBatch {
public:
    explicit RegistryBatch(Registry& registry) : mRegistry(registry), mOpen(registry.beginBatch() == RegError::Success) {}
    ~RegistryBatch()
    {
        if (mOpen)
            mRegistry.commitBatch();
    }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    RegResult commit()
    {
        if (!mOpen)
            return RegError::InvalidParameter;
        mOpen = false;
        return mRegistry.commitBatch();
    }

private:
    Registry& mRegistry;
    bool mOpen;
};

// Keeps a read batch open for its lifetime.
class RegistryReadBatch {
public:
    explicit RegistryReadBatch(Registry& registry)
        : mRegistry(registry), mOpen(registry.beginReadBatch() == RegError::Success)
    {
    }
    ~RegistryReadBatch()
    {
        if (mOpen)
            mRegistry.endReadBatch();
    }
    RegistryReadBatch(const RegistryReadBatch&) = delete;
    RegistryReadBatch& operator=(const RegistryReadBatch&) = delete;

private:
    Registry& mRegistry;
    bool mOpen;
};

} // namespace platform
