#pragma once
#include "platform/FontEnumeration.h"
#include "platform/Services.h"

#include <QString>

#include <stdexcept>
#include <vector>

// Enumeration records chosen by the test, in the order given.
class FakeFontEnumeration : public platform::FontEnumeration {
public:
    std::vector<platform::EnumeratedFont> records;
    bool fail = false;

    std::vector<platform::EnumeratedFont> enumerate() const override
    {
        ++calls;
        if (fail)
            throw std::runtime_error("enumeration failed");
        return records;
    }

    // A TrueType face with the given coverage words.
    FakeFontEnumeration& add(const QString& aFace, quint32 aUni0 = 0, quint32 aCp0 = 0, bool aTrueType = true)
    {
        platform::EnumeratedFont font;
        font.face = aFace.toStdString();
        font.trueType = aTrueType;
        font.signature.unicodeSubsets[0] = aUni0;
        font.signature.codePages[0] = aCp0;
        records.push_back(font);
        return *this;
    }

    mutable int calls = 0;
};

// The fake in place of the platform's enumeration for one test.
struct ScopedFakeFonts {
    FakeFontEnumeration fonts;
    platform::ScopedService<platform::FontEnumeration> guard{fonts};
};
