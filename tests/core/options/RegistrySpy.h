#pragma once
// Helpers for the settings tests: values stored as the program stores them, and a registry that
// passes every call to the real one (the private settings file), counting the keys it opens and
// closes, and failing on demand.
#include "core/options/miRegistryTools.h"
#include "platform/Registry.h"
#include "platform/Services.h"

#include <QVariant>

#include <functional>
#include <stdexcept>

// Stores a number, a boolean or a text the way the program writes each of them.
inline void Store(const QString& aKey, const QString& aName, const QVariant& aValue)
{
    using namespace miRegistryTools;
    const platform::RegKey root = platform::kHKeyCurrentUser;
    if (aValue.typeId() == QMetaType::Int)
        WriteLongValue(root, aKey, aName, aValue.toInt());
    else if (aValue.typeId() == QMetaType::Bool)
        WriteBoolValue(root, aKey, aName, aValue.toBool());
    else
        WriteStrValue(root, aKey, aName, aValue.toString());
}

// The registry type of a stored value; 0 when it is missing.
inline quint32 StoredType(const QString& aKey, const QString& aName)
{
    QVariant value;
    quint32 type = 0;
    miRegistryTools::LoadValue(platform::kHKeyCurrentUser, aKey, aName, value, type);
    return type;
}

class RegistrySpy : public platform::Registry {
public:
    using RegKey = platform::RegKey;
    using RegResult = platform::RegResult;

    RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        return counted(real().openKey(root, subKey, access, result));
    }
    RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        return counted(real().createKey(root, subKey, access, result));
    }
    RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override
    {
        if (throwOnQuery)
            throw std::runtime_error("registry broke");
        queriesOutsideReadBatch += readDepth == 0;
        return real().queryValue(key, valueName, type, data, dataSize);
    }
    RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t dataSize) override
    {
        if (onSetValue)
            onSetValue();
        return real().setValue(key, valueName, type, data, dataSize);
    }
    RegResult closeKey(RegKey key) override
    {
        const RegResult r = real().closeKey(key);
        closed += r == platform::RegError::Success;
        return r;
    }
    RegResult beginBatch() override { return real().beginBatch(); }
    RegResult commitBatch() override
    {
        commits += 1;
        return real().commitBatch();
    }
    RegResult beginReadBatch() override
    {
        readBatches += readDepth == 0;
        ++readDepth;
        return real().beginReadBatch();
    }
    RegResult endReadBatch() override
    {
        --readDepth;
        return real().endReadBatch();
    }

    bool throwOnQuery = false;
    std::function<void()> onSetValue; // called before each value is passed on
    int opened = 0;
    int closed = 0;
    int commits = 0;
    int readDepth = 0;
    int readBatches = 0; // outermost read batches opened
    int queriesOutsideReadBatch = 0;

private:
    static platform::Registry& real() { return platform::defaultService<platform::Registry>(); }
    RegResult counted(RegResult r)
    {
        opened += r == platform::RegError::Success;
        return r;
    }
};
