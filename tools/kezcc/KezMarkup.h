#pragma once
#include "RtfWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the KEZ mark-up of the decoded text, fed in pieces of any size, and hands plain text,
// constructs and error fragments to the RTF writer. The grammar is in tools/kezcc/README.md.
namespace kezcc {

// How a construct is rendered: the options' four values.
enum ConstructMode : std::int32_t { Ignore = 0, AsError = 1, Hidden = 2, Visible = 3 };

struct MarkupModes {
    std::int32_t specialComments = Hidden;
    std::int32_t commands = Hidden;
    std::int32_t functions = Hidden;
    std::int32_t variants = Hidden;
    std::int32_t errorMode = 1; // 0 drops error fragments, 1 writes them in the error font
};

// A construct still open after this many characters is an error fragment: memory stays bounded
// whatever the source holds.
inline constexpr std::size_t kLongestConstruct = 65536;
inline constexpr std::size_t kLongestFunctionName = 64;

class KezMarkup {
public:
    KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter);

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

    MarkupModes mModes;
    RtfWriter& mWriter;
    State mState = State::Text;
    Kind mKind = Kind::SpecialComment;
    std::u32string mPending; // the construct as written so far
    int mDepth = 0;
    int mGroups = 0;
    bool mEscapeNext = false;
    bool mFirstBodyCharacter = false;
    std::int64_t mErrors = 0;
};

} // namespace kezcc
