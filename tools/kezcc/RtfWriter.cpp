#include "RtfWriter.h"
#include "ChurchSlavonic.h"

#include "protocol/FontValues.h"
#include "protocol/OptionValues.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>

namespace kezcc {
namespace {

using FontValues::kPalette;

constexpr std::int32_t kDefaultHalfPoints = 24;
constexpr std::size_t kBufferSize = std::size_t(256) << 10;
// The most one character or one run start can add to the buffer.
constexpr std::size_t kHeadroom = 4096;
// Characters written between two checks for room: each adds at most 16 bytes, a run start ~100.
constexpr std::size_t kBlock = 32;
constexpr std::size_t kLargestPiece = 512;

bool isPaletteIndex(std::int32_t aIndex) { return aIndex >= 1 && aIndex <= std::int32_t(kPalette.size()); }

std::string number(std::int64_t aValue) { return std::to_string(aValue); }

// White space as Unicode has it: a face name of nothing else is no name.
bool isSpace(char16_t aUnit)
{
    return aUnit == u' ' || (aUnit >= u'\t' && aUnit <= u'\r') || aUnit == 0x85 || aUnit == 0xA0 || aUnit == 0x1680 ||
           (aUnit >= 0x2000 && aUnit <= 0x200A) || aUnit == 0x2028 || aUnit == 0x2029 || aUnit == 0x202F ||
           aUnit == 0x205F || aUnit == 0x3000;
}

// Escapes text of the header (face names): 7-bit, everything else as \uN?.
std::string escapeHeaderText(std::u16string_view aText)
{
    std::string out;
    for (const char16_t unit : aText) {
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += char(unit);
        } else if (unit >= 0xA0) {
            out += "\\u" + number(std::int16_t(unit)) + "\\'3f";
        }
    }
    return out;
}

std::string header(const std::array<RtfFont, kFontCount>& aFonts)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl\n";
    for (int i = 0; i < kFontCount; ++i) {
        // ";" ends an entry of the font table, so it cannot be part of a face name.
        const std::u16string face = writtenFace(aFonts[i].face);
        rtf += "{\\f" + number(i) + "\\fnil\\fcharset" + number(aFonts[i].charset) + ' ' + escapeHeaderText(face) +
               ";}\n";
    }
    rtf += "}\n{\\colortbl;";
    for (const FontValues::COLORREF colour : kPalette)
        rtf += "\\red" + number(FontValues::RedOf(colour)) + "\\green" + number(FontValues::GreenOf(colour)) +
               "\\blue" + number(FontValues::BlueOf(colour)) + ';';
    // A4 with a left margin wide enough for the margin notes' box: without a page set-up each
    // reader takes its own paper and margins.
    rtf += "}\n\\paperw11906\\paperh16838\\margl2835\\margr1134\\margt1134\\margb1134\n\\pard\n";
    return rtf;
}

// A run is a group of its own stating its whole formatting: a "\plain" between runs made a
// reader (AbiWord) drop the formatting of every run of a paragraph but the last.
std::vector<char> runStart(int aFontIndex, const RtfFont& aFont, bool aHidden)
{
    const std::int32_t halfPoints =
        aFont.size >= FontValues::kSmallestSize && aFont.size <= FontValues::kLargestSize ? aFont.size * 2 : kDefaultHalfPoints;
    std::string start = "{\\f" + number(aFontIndex) + "\\fs" + number(halfPoints);
    if (aFont.bold)
        start += "\\b";
    if (aFont.italic)
        start += "\\i";
    if (isPaletteIndex(aFont.foreColorIndex))
        start += "\\cf" + number(aFont.foreColorIndex);
    if (isPaletteIndex(aFont.backColorIndex))
        start += "\\highlight" + number(aFont.backColorIndex);
    if (aHidden)
        start += "\\v";
    start += ' ';
    return {start.begin(), start.end()};
}

// "\uN\'3f" of every unit below 0x8000, sixteen bytes each (padded), and its length. Made by the
// compiler, not at each start of the converter. The fallback character after it is written as
// "\'3f": a literal "?" there made some readers drop the next character or the rest of the word.
struct UnitEscapes {
    std::array<std::array<char, 16>, 0x8000> text{};
    std::array<std::uint8_t, 0x8000> length{};
    // Counts up in decimal from "\u0\'3f": few enough steps for every compiler's constant evaluation.
    constexpr UnitEscapes()
    {
        std::array<char, 16> escape{'\\', 'u', '0', '\\', '\'', '3', 'f'};
        std::size_t digits = 1;
        for (std::size_t unit = 0; unit < text.size(); ++unit) {
            text[unit] = escape;
            length[unit] = std::uint8_t(2 + digits + 4);
            std::size_t at = 2 + digits;
            while (at > 2 && escape[at - 1] == '9')
                escape[--at] = '0';
            if (at > 2) {
                ++escape[at - 1];
            } else {
                // One digit more: "1" and zeros, the fallback moved along.
                escape[2] = '1';
                escape[2 + digits] = '0';
                ++digits;
                escape[2 + digits] = '\\';
                escape[3 + digits] = '\'';
                escape[4 + digits] = '3';
                escape[5 + digits] = 'f';
            }
        }
    }
};
constexpr UnitEscapes kUnitEscapes;

// \uN\'3f for a BMP character, into a local pointer (no member is touched).
inline char* writeUnit(char* aOut, std::int32_t aUnit)
{
    if (aUnit < 0x8000) {
        std::memcpy(aOut, kUnitEscapes.text[std::size_t(aUnit)].data(), 16);
        return aOut + kUnitEscapes.length[std::size_t(aUnit)];
    }
    *aOut++ = '\\';
    *aOut++ = 'u';
    std::int32_t value = std::int16_t(aUnit);
    if (value < 0) {
        *aOut++ = '-';
        value = -value;
    }
    char digits[6];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0)
        *aOut++ = digits[--count];
    std::memcpy(aOut, "\\'3f", 4);
    return aOut + 4;
}

constexpr char kHex[] = "0123456789abcdef";

// "\'hh" of every byte, ready to store.
struct ByteEscapes {
    std::array<std::array<char, 4>, 256> of{};
    ByteEscapes()
    {
        for (int byte = 0; byte < 256; ++byte)
            of[byte] = {'\\', '\'', kHex[byte >> 4], kHex[byte & 0xF]};
    }
};
const ByteEscapes kByteEscapes;

} // namespace

std::u16string writtenFace(std::u16string aFace)
{
    std::erase(aFace, u';');
    if (std::all_of(aFace.begin(), aFace.end(), isSpace))
        aFace = u"Times New Roman";
    return aFace;
}

RtfWriter::RtfWriter(const std::array<RtfFont, kFontCount>& aFonts, int aRusMode, int aGreekMode, ByteSink& aSink)
    : mSink(aSink), mBuffer(std::make_unique_for_overwrite<char[]>(kBufferSize + kHeadroom))
{
    mOut = mBuffer.get();
    mLimit = mBuffer.get() + kBufferSize;
    mRunStart[int(TextClass::Russian)] = runStart(FontIndex::Russian, aFonts[FontIndex::Russian], false);
    mRunStart[int(TextClass::Greek)] = runStart(FontIndex::Greek, aFonts[FontIndex::Greek], false);
    mRunStart[int(TextClass::Latin)] = runStart(FontIndex::Latin, aFonts[FontIndex::Latin], false);
    mRunStart[int(TextClass::Error)] = runStart(FontIndex::Error, aFonts[FontIndex::Error], false);
    mRunStart[int(TextClass::HiddenNonSupport)] = runStart(FontIndex::NonSupport, aFonts[FontIndex::NonSupport], true);
    mRunStart[int(TextClass::VisibleNonSupport)] = runStart(FontIndex::NonSupport, aFonts[FontIndex::NonSupport], false);
    mRunStart[int(TextClass::ChurchSlavonic)] = runStart(FontIndex::ChurchSlavonic, aFonts[FontIndex::ChurchSlavonic], false);
    mRunStart[int(TextClass::CsOther)] = runStart(FontIndex::CsOther, aFonts[FontIndex::CsOther], false);
    mRunStart[int(TextClass::CsERoos)] = runStart(FontIndex::ERoos, aFonts[FontIndex::ERoos], false);
    mRunStart[int(TextClass::SpacedOut)] = runStart(FontIndex::SpacedOut, aFonts[FontIndex::SpacedOut], false);
    mPath.fill(Path::Unicode);
    mPath[int(TextClass::CsERoos)] = Path::CodePage1251;
    mPlaces.fill(Places::Own);
    mPlaces[int(TextClass::Russian)] = aRusMode == OptionValues::RusMode::Roos ? Places::Roos : Places::Own;
    mPlaces[int(TextClass::CsERoos)] = Places::ERoos;
    mPath[int(TextClass::Russian)] = aRusMode == OptionValues::RusMode::Unicode ? Path::Unicode : Path::CodePage1251;
    mPath[int(TextClass::Greek)] = aGreekMode == OptionValues::GreekMode::CodePage1253 ? Path::CodePage1253 : Path::Unicode;
    const std::string start = header(aFonts);
    append(start.data(), start.size());
}

void RtfWriter::append(const char* aBytes, std::size_t aSize)
{
    // A run start, a brace or a line end: one copy, the headroom holds it.
    if (aSize <= kLargestPiece) {
        makeRoom();
        std::memcpy(mOut, aBytes, aSize);
        mOut += aSize;
        return;
    }
    while (aSize > 0) {
        makeRoom();
        const std::size_t piece = std::min(aSize, kLargestPiece);
        std::memcpy(mOut, aBytes, piece);
        mOut += piece;
        aBytes += piece;
        aSize -= piece;
    }
}

inline void RtfWriter::makeRoom()
{
    if (mOut >= mLimit) {
        mSink.write(mBuffer.get(), std::size_t(mOut - mBuffer.get()));
        mOut = mBuffer.get();
    }
}

void RtfWriter::closeRun()
{
    if (mRunOpen) {
        makeRoom();
        *mOut++ = '}';
        mRunOpen = false;
    }
    mHaveRun = false;
}

void RtfWriter::switchTo(TextClass aClass)
{
    makeRoom();
    if (mRunOpen)
        *mOut++ = '}';
    mRunOpen = true;
    const std::vector<char>& start = mRunStart[int(aClass)];
    append(start.data(), start.size());
    mCurrent = aClass;
    mHaveRun = true;
    mCurrentPath = mPath[int(aClass)];
    mEncoder = mCurrentPath == Path::CodePage1251 ? &m1251 : mCurrentPath == Path::CodePage1253 ? &m1253 : nullptr;
    mPlacesNow = mPlaces[int(aClass)];
    if (!mDecorationControls.empty())
        append(mDecorationControls.data(), mDecorationControls.size());
}

void RtfWriter::endLine()
{
    append("\\par\n", 5);
    mLineOpen = false;
}

inline void RtfWriter::putUnit(std::int32_t aUnit) { mOut = writeUnit(mOut, aUnit); }

inline void RtfWriter::putUnicode(char32_t aCharacter)
{
    if (aCharacter >= 0x10000) {
        const char32_t offset = aCharacter - 0x10000;
        putUnit(std::int32_t(0xD800 + (offset >> 10)));
        putUnit(std::int32_t(0xDC00 + (offset & 0x3FF)));
    } else {
        putUnit(std::int32_t(aCharacter));
    }
}

inline void RtfWriter::put(char32_t aCharacter)
{
    if (aCharacter < 0x80) {
        if (aCharacter == u'\\' || aCharacter == u'{' || aCharacter == u'}') {
            *mOut++ = '\\';
            *mOut++ = char(aCharacter);
        } else if (aCharacter == u'\t') {
            std::memcpy(mOut, "\\tab ", 5);
            mOut += 5;
        } else {
            *mOut++ = char(aCharacter);
        }
        return;
    }
    if (mEncoder) {
        const char32_t character = mPlacesNow == Places::Roos    ? roosPlace(aCharacter)
                                   : mPlacesNow == Places::ERoos ? eroosPlace(aCharacter)
                                                                 : aCharacter;
        if (const std::uint8_t byte = mEncoder->byteOf(character)) {
            std::memcpy(mOut, kByteEscapes.of[byte].data(), 4);
            mOut += 4;
            return;
        }
    }
    putUnicode(aCharacter);
}

namespace {

// Per BMP character: its script class, or kFollows for those that continue the run before them.
constexpr std::uint8_t kFollows = 0xFF;

// The script class of a character: Greek and Coptic and Greek Extended are Greek, Latin letters
// are Latin, everything else Russian. Combining marks take the class of the letter they follow.
constexpr bool isCombiningMark(char32_t aCharacter)
{
    return (aCharacter >= 0x0300 && aCharacter <= 0x036F) || (aCharacter >= 0x0483 && aCharacter <= 0x0489) ||
           (aCharacter >= 0x1AB0 && aCharacter <= 0x1AFF) || (aCharacter >= 0x1DC0 && aCharacter <= 0x1DFF) ||
           (aCharacter >= 0x20D0 && aCharacter <= 0x20FF) || (aCharacter >= 0x2DE0 && aCharacter <= 0x2DFF) ||
           (aCharacter >= 0xA66F && aCharacter <= 0xA67D) || (aCharacter >= 0xFE20 && aCharacter <= 0xFE2F);
}

constexpr TextClass scriptOf(char32_t aCharacter)
{
    if (aCharacter < 0x80) {
        const char32_t folded = aCharacter | 0x20;
        return folded >= u'a' && folded <= u'z' ? TextClass::Latin : TextClass::Russian;
    }
    if ((aCharacter >= 0x0370 && aCharacter <= 0x03FF) || (aCharacter >= 0x1F00 && aCharacter <= 0x1FFF))
        return TextClass::Greek;
    if ((aCharacter >= 0x00C0 && aCharacter <= 0x024F && aCharacter != 0x00D7 && aCharacter != 0x00F7) ||
        aCharacter == 0x00AA || aCharacter == 0x00BA || (aCharacter >= 0x1E00 && aCharacter <= 0x1EFF))
        return TextClass::Latin;
    return TextClass::Russian;
}

// Spaces, tabs, digits, punctuation and combining marks belong to no script: they stay in the
// font of the text around them, so "Verbum, et" is one Latin run.
constexpr bool followsRun(char32_t aCharacter)
{
    if (aCharacter < 0x80)
        return scriptOf(aCharacter) != TextClass::Latin && (aCharacter >= u' ' || aCharacter == u'\t');
    return (aCharacter >= 0xA0 && aCharacter <= 0xBF && aCharacter != 0xAA && aCharacter != 0xBA) ||
           aCharacter == 0xD7 || aCharacter == 0xF7 || (aCharacter >= 0x2000 && aCharacter <= 0x206F) ||
           isCombiningMark(aCharacter);
}

// Made by the compiler: filling it at every start cost a converter started once per file more
// than a small file's conversion.
constexpr std::array<std::uint8_t, 0x10000> kClasses = [] {
    std::array<std::uint8_t, 0x10000> classes{};
    for (char32_t c = 0; c < 0x10000; ++c)
        classes[c] = followsRun(c) ? kFollows : std::uint8_t(scriptOf(c));
    return classes;
}();

const std::array<std::uint8_t, 0x10000>& classTable() { return kClasses; }

} // namespace

namespace {

// ASCII written as itself: everything printable but the three RTF specials.
struct PlainAscii {
    std::array<bool, 128> is{};
    PlainAscii()
    {
        for (char32_t c = 0x20; c < 0x7F; ++c)
            is[c] = c != u'\\' && c != u'{' && c != u'}';
    }
};
const PlainAscii kPlainAscii;

// A BMP character written through a local pointer, in the code page when it has a byte there
// (aCodePage, null for none) or as Unicode where the run allows (aUnicodeOnly, or a code page
// run's fallback); false for what needs the careful path (RTF specials, tabs, moved places).
inline bool putPlain(char*& aOut, char32_t aCharacter, const std::uint8_t* aCodePage, bool aUnicodeOnly)
{
    if (aCharacter < 0x80) {
        if (!kPlainAscii.is[aCharacter])
            return false;
        *aOut++ = char(aCharacter);
    } else if (aCodePage && aCodePage[aCharacter]) {
        std::memcpy(aOut, kByteEscapes.of[aCodePage[aCharacter]].data(), 4);
        aOut += 4;
    } else if (aUnicodeOnly || aCodePage) {
        aOut = writeUnit(aOut, std::int32_t(aCharacter));
    } else {
        return false;
    }
    return true;
}

} // namespace

void RtfWriter::text(const char32_t* aText, std::size_t aSize)
{
    const auto& classes = classTable();
    std::size_t i = 0;
    while (i < aSize) {
        makeRoom();
        const std::size_t blockEnd = std::min(aSize, i + kBlock);
        // The common case in locals: characters that stay in the current run and need no run
        // start, line end or ROOS place. Stores through the output pointer cannot then make the
        // compiler reload the writer's members.
        if (mHaveRun) {
            char* out = mOut;
            const std::uint8_t current = std::uint8_t(mCurrent);
            const bool spacesFollow = mCurrent <= TextClass::Latin;
            const std::uint8_t* codePage = mEncoder && mPlacesNow == Places::Own ? mEncoder->bytes() : nullptr;
            const bool unicodeOnly = mEncoder == nullptr;
            for (; i < blockEnd; ++i) {
                const char32_t c = aText[i];
                if (c >= 0x10000)
                    break;
                const std::uint8_t textClass = classes[c];
                if (textClass != current && !(textClass == kFollows && spacesFollow))
                    break;
                if (!putPlain(out, c, codePage, unicodeOnly))
                    break;
            }
            if (out != mOut) {
                mOut = out;
                mLineOpen = true;
            }
            if (i == blockEnd)
                continue;
        }
        // Everything else, one character at a time.
        const char32_t c = aText[i++];
        if (c == u'\n') {
            endLine();
            continue;
        }
        std::uint8_t textClass = c < 0x10000 ? classes[c] : std::uint8_t(TextClass::Russian);
        if (textClass == kFollows)
            textClass = std::uint8_t(mHaveRun && mCurrent <= TextClass::Latin ? mCurrent : TextClass::Russian);
        if (TextClass(textClass) != mCurrent || !mHaveRun)
            switchTo(TextClass(textClass));
        mLineOpen = true;
        put(c);
    }
}

void RtfWriter::fragment(TextClass aClass, const char32_t* aText, std::size_t aSize)
{
    std::size_t i = 0;
    while (i < aSize) {
        if (aText[i] == u'\n') {
            endLine();
            ++i;
            continue;
        }
        if (aClass != mCurrent || !mHaveRun)
            switchTo(aClass);
        makeRoom();
        mLineOpen = true;
        // A block of characters between two checks for room; the common ones through a local
        // pointer, as in text().
        const std::size_t blockEnd = std::min(aSize, i + kBlock);
        char* out = mOut;
        const std::uint8_t* codePage = mEncoder && mPlacesNow == Places::Own ? mEncoder->bytes() : nullptr;
        const bool unicodeOnly = mEncoder == nullptr;
        for (; i < blockEnd; ++i) {
            const char32_t c = aText[i];
            if (c >= 0x10000 || !putPlain(out, c, codePage, unicodeOnly))
                break;
        }
        mOut = out;
        if (i < blockEnd && aText[i] != u'\n')
            put(aText[i++]);
    }
}

void RtfWriter::pushDecoration(const Decoration& aDecoration, bool aAlone)
{
    Decoration combined = mDecorations.empty() || aAlone ? Decoration{} : mDecorations.back();
    combined.italic = combined.italic || aDecoration.italic;
    combined.underline = combined.underline || aDecoration.underline;
    if (isPaletteIndex(aDecoration.foreColorIndex))
        combined.foreColorIndex = aDecoration.foreColorIndex;
    if (isPaletteIndex(aDecoration.backColorIndex))
        combined.backColorIndex = aDecoration.backColorIndex;
    mDecorations.push_back(combined);
    decorationChanged();
}

void RtfWriter::popDecoration()
{
    if (!mDecorations.empty())
        mDecorations.pop_back();
    decorationChanged();
}

void RtfWriter::decorationChanged()
{
    mDecorationControls.clear();
    if (!mDecorations.empty()) {
        const Decoration& top = mDecorations.back();
        // Into the kept string: a push and a pop come with every number, sign and note.
        const auto addNumber = [this](std::int32_t aValue) {
            char digits[12];
            const auto end = std::to_chars(digits, digits + sizeof digits, aValue).ptr;
            mDecorationControls.append(digits, std::size_t(end - digits));
        };
        if (top.italic)
            mDecorationControls += "\\i";
        if (top.underline)
            mDecorationControls += "\\ul";
        if (top.foreColorIndex != 0) {
            mDecorationControls += "\\cf";
            addNumber(top.foreColorIndex);
        }
        if (top.backColorIndex != 0) {
            mDecorationControls += "\\highlight";
            addNumber(top.backColorIndex);
        }
        if (!mDecorationControls.empty())
            mDecorationControls += ' ';
    }
    // The next character states its run anew.
    mHaveRun = false;
}

void RtfWriter::beginNote(NoteKind aKind)
{
    // The mark in the text, then the note with the same automatic number; or a text box without
    // line or fill, left of the text's margin, level with the top of the paragraph.
    static const std::string kFootnote = "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn}";
    static const std::string kMarginFrame =
        "{\\shp{\\*\\shpinst\\shpleft-2400\\shptop0\\shpright-170\\shpbottom300\\shpfhdr0\\shpbxmargin\\shpbxignore"
        "\\shpbypara\\shpbyignore\\shpwr3\\shpwrk0\\shpfblwtxt0\\shpz0"
        "{\\sp{\\sn shapeType}{\\sv 202}}{\\sp{\\sn fFitShapeToText}{\\sv 1}}{\\sp{\\sn posh}{\\sv 0}}"
        "{\\sp{\\sn posrelh}{\\sv 0}}{\\sp{\\sn posv}{\\sv 0}}{\\sp{\\sn posrelv}{\\sv 2}}{\\sp{\\sn fLine}{\\sv 0}}"
        "{\\sp{\\sn fFilled}{\\sv 0}}{\\shptxt\\pard\\plain ";
    const std::string& start = aKind == NoteKind::Footnote ? kFootnote : kMarginFrame;
    closeRun();
    append(start.data(), start.size());
    mNoteKind = aKind;
    ++mNoteDepth;
    mLineOpenOutsideNote = mLineOpen;
    mLineOpen = false;
    mHaveRun = false;
}

void RtfWriter::endNote()
{
    if (mNoteDepth == 0)
        return;
    // The margin box's last paragraph ends inside its run, in the run's font.
    if (mNoteKind == NoteKind::MarginFrame)
        append("\\par", 4);
    closeRun();
    if (mNoteKind == NoteKind::Footnote)
        append("}", 1);
    else
        append("}}}", 3);
    --mNoteDepth;
    // A footnote's number is on the line it was written in.
    mLineOpen = mLineOpenOutsideNote || mNoteKind == NoteKind::Footnote;
    mHaveRun = false;
}

void RtfWriter::finish()
{
    while (mNoteDepth > 0)
        endNote();
    if (mLineOpen)
        endLine();
    closeRun();
    append("}\n", 2);
    mSink.write(mBuffer.get(), std::size_t(mOut - mBuffer.get()));
    mOut = mBuffer.get();
}

} // namespace kezcc
