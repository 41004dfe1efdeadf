#pragma once
#include "DigitFonts.h"
#include "RtfWriter.h"
#include "protocol/OptionValues.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads the KEZ mark-up of the decoded text, fed in pieces of any size, and hands plain text,
// constructs and error fragments to the RTF writer. The grammar is in tools/kezcc/README.md.
namespace kezcc {

// The options' values, as OptionValues names them.
struct MarkupModes {
    // How each kind of construct is rendered (OptionValues::NSMode).
    std::int32_t specialComments = OptionValues::NSMode::Hidden;
    std::int32_t commands = OptionValues::NSMode::Hidden;
    std::int32_t functions = OptionValues::NSMode::Hidden;
    std::int32_t variants = OptionValues::NSMode::Hidden;
    std::int32_t errorMode = OptionValues::ErrorMode::InErrorFont;
    // Church Slavonic numbers and signs: which fonts, in which order.
    std::int32_t csDigits = OptionValues::CSDigitMode::ERoosThenOrdinary;
    std::int32_t csSpaceOut = OptionValues::CSSpaceOutMode::Italic;
    // Footnotes and margin notes (OptionValues::FtnImpl); kept in the text, on a background of
    // the colour index.
    std::int32_t bottomNotes = OptionValues::FtnImpl::Note;
    std::int32_t bottomNoteBack = 0;
    std::int32_t marginNotes = OptionValues::FtnImpl::InText;
    std::int32_t marginNoteBack = 4;
};

// The functions the converter renders itself; any other name is a construct it does not support.
namespace FunctionName {
inline constexpr std::u32string_view ChurchSlavonic = U"cs";
inline constexpr std::u32string_view SpacedOut = U"spaced";
inline constexpr std::u32string_view Number = U"csnum";
inline constexpr std::u32string_view Sign = U"cssign";
inline constexpr std::u32string_view Footnote = U"footnote";
inline constexpr std::u32string_view MarginNote = U"marginnote";
} // namespace FunctionName

// How deep the converter's own functions may nest in each other's arguments.
inline constexpr int kDeepestNesting = 8;

// A construct still open after this many characters is an error fragment: memory stays bounded
// whatever the source holds.
inline constexpr std::size_t kLongestConstruct = 65536;
inline constexpr std::size_t kLongestFunctionName = 64;

class KezMarkup {
public:
    // aDigitFonts chooses the fonts of numbers and signs; without it none is installed.
    KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter, DigitFonts* aDigitFonts = nullptr);

    void feed(const char32_t* aText, std::size_t aSize);
    // The end of the text: whatever is still open is settled.
    void finish();

    // Mark-up errors found so far (unbalanced or unknown constructs).
    std::int64_t errors() const { return mErrors; }

private:
    enum class State {
        Text,
        Escape,        // after "\"
        Percent,       // after "%"
        Name,          // inside "<...", before ">"
        AfterName,     // after "<name>"
        AfterNameAmp,  // after "<name>&"
        Question,      // after "?"
        QuestionAmp,   // after "?&"
        Amp,           // after "&"
        Body,          // inside the braces of a construct
        AfterGroup,    // after the closing brace of a function argument or a variant branch
        AfterGroupAmp, // after that brace and "&"
    };
    enum class Kind { SpecialComment, Command, Function, Variant, StrayArgument };

    bool step(char32_t aCharacter);
    void startSpecial(char32_t aCharacter);
    void beginBody(Kind aKind, const char32_t* aOpening);
    void closeGroup();
    void completeGroups();
    void emitConstruct();
    void errorFragment(const std::u32string& aText, bool aCounted);
    void plain(const char32_t* aText, std::size_t aSize);
    void plain(const std::u32string& aText) { plain(aText.data(), aText.size()); }
    bool renderOwnFunction();
    // aNote: the argument is a note's body, where another note is an error.
    void renderArgument(std::u32string_view aText, std::optional<TextClass> aClass, bool aNote = false);
    void renderDigits(std::u32string_view aText, DigitFont aFont, bool aRed, std::u32string_view aStandIn);

    // An argument of one of the converter's functions, read as mark-up of its own.
    KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter, DigitFonts* aDigitFonts,
              std::optional<TextClass> aPlainClass, int aNesting, bool aInNote);

    MarkupModes mModes;
    RtfWriter& mWriter;
    State mState = State::Text;
    Kind mKind = Kind::SpecialComment;
    std::optional<TextClass> mPlainClass; // set: all text in this class's font (Church Slavonic)
    int mNesting = 0;
    bool mInNote = false; // inside a note's argument, whatever the note became
    std::unique_ptr<DigitFonts> mOwnDigitFonts;
    DigitFonts* mDigitFonts = nullptr;
    std::u32string mPending; // the construct as written so far
    std::u32string mScratch; // an argument decoded, a number's letters: its room kept
    std::size_t mNameEnd = 0; // a function's: the place of ">" in mPending
    std::vector<std::pair<std::size_t, std::size_t>> mArguments; // a function's, in mPending
    int mDepth = 0;
    int mGroups = 0;
    bool mEscapeNext = false;
    bool mFirstBodyCharacter = false;
    std::int64_t mErrors = 0;
};

} // namespace kezcc
