#include "protocol/ExternalDataLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ExternalData;

namespace {

// A field with guard bytes on both sides, so that a write past either end shows.
struct GuardedField {
    explicit GuardedField(std::int32_t aCapacity) : bytes(std::size_t(aCapacity) + 2 * kGuard, 0xAB), capacity(aCapacity) {}
    unsigned char* field() { return bytes.data() + kGuard; }
    bool guardsIntact() const
    {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != 0xAB || bytes[bytes.size() - 1 - i] != 0xAB)
                return false;
        return true;
    }
    static constexpr std::size_t kGuard = 8;
    std::vector<unsigned char> bytes;
    std::int32_t capacity;
};

} // namespace

// What the converter reads and writes without the program's Qt wrappers: the same bytes, never a
// byte outside the field, whatever the count says.
TEST(CountedString, StaysInsideItsFieldWhateverTheTextOrTheCountSays)
{
    GuardedField face(kFaceCapacity);
    const std::u16string longText(100, u'\x0463');
    WriteCountedString(face.field(), longText, face.capacity);
    EXPECT_TRUE(face.guardsIntact());
    EXPECT_EQ(ReadInt32(face.field(), 0), MaxUnits(kFaceCapacity));
    EXPECT_EQ(ReadCountedString(face.field(), face.capacity), longText.substr(0, std::size_t(MaxUnits(kFaceCapacity))));
    EXPECT_TRUE(IsWellFormedCountedString(face.field(), face.capacity));

    // A damaged reply: counts past the field or below zero read what the field holds, or nothing.
    GuardedField message(kMessageCapacity);
    WriteCountedString(message.field(), u"\xD835\xDD04 ok", message.capacity);
    EXPECT_EQ(ReadCountedString(message.field(), message.capacity), u"\xD835\xDD04 ok");
    WriteInt32(message.field(), 0, 5000);
    EXPECT_EQ(ReadCountedString(message.field(), message.capacity).size(), std::size_t(MaxUnits(kMessageCapacity)));
    EXPECT_FALSE(IsWellFormedCountedString(message.field(), message.capacity));
    WriteInt32(message.field(), 0, -1);
    EXPECT_TRUE(ReadCountedString(message.field(), message.capacity).empty());
    EXPECT_FALSE(IsWellFormedCountedString(message.field(), message.capacity));
    EXPECT_TRUE(message.guardsIntact());

    // A field too small for its count writes nothing at all.
    GuardedField tiny(3);
    WriteCountedString(tiny.field(), u"abc", tiny.capacity);
    EXPECT_TRUE(tiny.guardsIntact());
    EXPECT_EQ(tiny.bytes[GuardedField::kGuard], 0xAB);
}
