#pragma once
#include "CodePages.h"


#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Writes the RTF document piece by piece into a sink, holding no more than one buffer of it:
// the font table of the nine fonts in record order, the palette as the colour table, then the
// text in runs, each run set in the font (face, size, bold, italic, colours) of its text class.
namespace kezcc {

struct RtfFont {
    std::u16string face;
    std::int32_t size = 0;           // points
    bool bold = false;
    bool italic = false;
    std::int32_t foreColorIndex = 0; // 0 = automatic, 1..16 = the palette
    std::int32_t backColorIndex = 0;
    std::int32_t charset = 0;        // RTF \fcharset
};

inline constexpr int kFontCount = 9;

// The face name the font table gives a font: without ";" (it ends an entry), "Times New Roman"
// for a name of nothing but blanks.
std::u16string writtenFace(std::u16string aFace);

// Positions in the font table (record order) of the fonts the converter sets text in.
namespace FontIndex {
inline constexpr int ChurchSlavonic = 0;
inline constexpr int ERoos = 1;
inline constexpr int CsOther = 2;
inline constexpr int SpacedOut = 3;
inline constexpr int Russian = 4;
inline constexpr int Greek = 5;
inline constexpr int Latin = 6;
inline constexpr int Error = 7;
inline constexpr int NonSupport = 8;
} // namespace FontIndex

// The script classes come first: spaces and punctuation continue only their runs.
enum class TextClass : std::uint8_t {
    Russian,
    Greek,
    Latin,
    Error,
    HiddenNonSupport,
    VisibleNonSupport,
    ChurchSlavonic, // Ucs8Text, Unicode
    CsOther,        // CSOtherText, Unicode
    CsERoos,        // CSERoosText, code page 1251 at the eROOS font's places
    SpacedOut,      // CSSpaceOutText, Unicode
};
inline constexpr int kTextClassCount = 10;

// Formatting laid over whatever font a run is in (spaced-out text, footnotes kept in the text,
// red Typikon signs). Inner layers add to outer ones; a colour of 0 leaves the font's own.
struct Decoration {
    bool italic = false;
    bool underline = false;
    std::int32_t foreColorIndex = 0;
    std::int32_t backColorIndex = 0;
};

// A footnote at the bottom of the page, or a note in a frame in the margin beside its paragraph.
enum class NoteKind : std::uint8_t { Footnote, MarginFrame };

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const char* aBytes, std::size_t aSize) = 0;
};

class RtfWriter {
public:
    // aRusMode (OptionValues::RusMode) CodePage1251 and Roos write Russian text in code page 1251
    // where it fits (Roos first moves the pre-reform letters and the stress mark to the places the
    // ROOS fonts draw them at), Unicode as Unicode; aGreekMode CodePage1253 writes Greek in code
    // page 1253 where it fits, Unicode as Unicode.
    RtfWriter(const std::array<RtfFont, kFontCount>& aFonts, int aRusMode, int aGreekMode, ByteSink& aSink);

    // Plain text: each letter in the font of its script; spaces, digits, punctuation and
    // combining marks continue the run before them (Russian at the start).
    void text(const char32_t* aText, std::size_t aSize);
    // A fragment set wholly in one class's font.
    void fragment(TextClass aClass, const char32_t* aText, std::size_t aSize);
    void fragment(TextClass aClass, std::u32string_view aText) { fragment(aClass, aText.data(), aText.size()); }

    // Decorations until the matching pop; aAlone drops the outer ones meanwhile.
    void pushDecoration(const Decoration& aDecoration, bool aAlone = false);
    void popDecoration();

    // A note: what is written until endNote is its body; a footnote leaves its number in the
    // text. Notes do not nest.
    void beginNote(NoteKind aKind);
    void endNote();
    // Ends the last line and the document and hands everything left to the sink.
    void finish();

private:
    enum class Path : std::uint8_t { Unicode, CodePage1251, CodePage1253 };
    enum class Places : std::uint8_t { Own, Roos, ERoos }; // where the font draws a character

    void switchTo(TextClass aClass);
    void closeRun();
    void put(char32_t aCharacter);
    void putUnicode(char32_t aCharacter);
    void putUnit(std::int32_t aUnit);
    void endLine();
    void append(const char* aBytes, std::size_t aSize);
    void makeRoom();
    void decorationChanged();

    ByteSink& mSink;
    std::unique_ptr<char[]> mBuffer; // not zeroed: only what was written is read
    char* mOut;
    char* mLimit;
    std::array<std::vector<char>, kTextClassCount> mRunStart;
    std::array<Path, kTextClassCount> mPath{};
    std::array<Places, kTextClassCount> mPlaces{};
    Places mPlacesNow = Places::Own;
    std::vector<Decoration> mDecorations;
    std::string mDecorationControls; // of the innermost decoration, ready to append to a run start
    int mNoteDepth = 0;
    NoteKind mNoteKind = NoteKind::Footnote;
    bool mLineOpenOutsideNote = false;
    bool mLineOpen = false;
    bool mHaveRun = false;
    bool mRunOpen = false; // a run's group is open
    TextClass mCurrent = TextClass::Russian;
    Path mCurrentPath = Path::Unicode;
    const CodePageEncoder* mEncoder = nullptr;
    CodePageEncoder m1251{CodePage::Windows1251};
    CodePageEncoder m1253{CodePage::Windows1253};
};

} // namespace kezcc
