#pragma once
// A registry that passes every call to the real one (the settings file in the test's private
// folder) and records what the layer above asked of it; it can also fail on demand.
#include "platform/Registry.h"
#include "platform/Services.h"

#include <QString>
#include <QStringList>

#include <map>
#include <stdexcept>

class RegistrySpy : public platform::Registry {
public:
    using RegKey = platform::RegKey;
    using RegResult = platform::RegResult;

    platform::RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access,
                                RegKey* result) override
    {
        if (throwOnOpen)
            throw std::runtime_error("registry broke");
        const RegResult r = real().openKey(root, subKey, access, result);
        if (r == platform::RegError::Success)
            track(*result, subKey);
        return r;
    }
    RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        const RegResult r = real().createKey(root, subKey, access, result);
        if (r == platform::RegError::Success)
            track(*result, subKey);
        return r;
    }
    RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override
    {
        if (throwOnQuery)
            throw std::runtime_error("registry broke");
        return real().queryValue(key, valueName, type, data, dataSize);
    }
    RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t dataSize) override
    {
        // "key path|value name|type", in the order written.
        writes << mPaths[key] + QLatin1Char('|') + QString::fromStdU16String(valueName) + QLatin1Char('|') +
                      QString::number(type);
        return real().setValue(key, valueName, type, data, dataSize);
    }
    RegResult closeKey(RegKey key) override
    {
        const RegResult r = real().closeKey(key);
        if (r == platform::RegError::Success) {
            ++closed;
            mPaths.erase(key);
        }
        return r;
    }

    int openedKeys() const { return opened; }
    int closedKeys() const { return closed; }

    bool throwOnOpen = false;
    bool throwOnQuery = false;
    QStringList writes;

private:
    static platform::Registry& real() { return platform::defaultService<platform::Registry>(); }
    void track(RegKey key, const std::u16string& path)
    {
        ++opened;
        mPaths[key] = QString::fromStdU16String(path);
    }

    int opened = 0;
    int closed = 0;
    std::map<RegKey, QString> mPaths;
};
