#include "KezMarkup.h"
#include "ChurchSlavonic.h"

#include <algorithm>
#include <array>

namespace kezcc {
namespace {

bool isSpecialSlow(char32_t aCharacter)
{
    switch (aCharacter) {
    case u'\\':
    case u'%':
    case u'{':
    case u'}':
    case u'<':
    case u'?':
    case u'&':
        return true;
    default:
        return false;
    }
}

struct SpecialTable {
    std::array<bool, 128> is{};
    SpecialTable()
    {
        for (char32_t c = 0; c < 128; ++c)
            is[c] = isSpecialSlow(c);
    }
};
const SpecialTable kSpecial;

inline bool isSpecial(char32_t aCharacter) { return aCharacter < 128 && kSpecial.is[aCharacter]; }

bool isEscapable(char32_t aCharacter) { return isSpecial(aCharacter) || aCharacter == u'>'; }

// What cannot be part of a function's name.
bool endsName(char32_t aCharacter)
{
    return aCharacter <= u' ' || aCharacter == u'<' || aCharacter == u'>' || aCharacter == u'{' ||
           aCharacter == u'}' || aCharacter == u'\\';
}

} // namespace

KezMarkup::KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter, DigitFonts* aDigitFonts)
    : mModes(aModes), mWriter(aWriter), mDigitFonts(aDigitFonts)
{
    if (!mDigitFonts) {
        mOwnDigitFonts = std::make_unique<DigitFonts>(aModes.csDigits, std::u16string(), std::u16string(), nullptr);
        mDigitFonts = mOwnDigitFonts.get();
    }
}

KezMarkup::KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter, DigitFonts* aDigitFonts,
                     std::optional<TextClass> aPlainClass, int aNesting, bool aInNote)
    : mModes(aModes), mWriter(aWriter), mPlainClass(aPlainClass), mNesting(aNesting), mInNote(aInNote),
      mDigitFonts(aDigitFonts)
{
}

void KezMarkup::plain(const char32_t* aText, std::size_t aSize)
{
    if (mPlainClass)
        mWriter.fragment(*mPlainClass, aText, aSize);
    else
        mWriter.text(aText, aSize);
}

void KezMarkup::feed(const char32_t* aText, std::size_t aSize)
{
    std::size_t i = 0;
    while (i < aSize) {
        if (mState == State::Text) {
            const std::size_t start = i;
            while (i < aSize && !isSpecial(aText[i]))
                ++i;
            if (i > start)
                plain(aText + start, i - start);
            if (i < aSize)
                startSpecial(aText[i++]);
            continue;
        }
        // Inside a construct, everything but a backslash and braces is taken as it stands.
        if (mState == State::Body && !mEscapeNext && !mFirstBodyCharacter) {
            const std::size_t start = i;
            const std::size_t limit = std::min(aSize, i + (kLongestConstruct + 1 - mPending.size()));
            while (i < limit && aText[i] != u'\\' && aText[i] != u'{' && aText[i] != u'}')
                ++i;
            mPending.append(aText + start, i - start);
            if (mPending.size() > kLongestConstruct) {
                mState = State::Text;
                errorFragment(mPending, true);
            }
            if (i == aSize || mState != State::Body)
                continue;
        }
        // A function's name up to its end in one piece; what ends it goes through step().
        if (mState == State::Name) {
            const std::size_t start = i;
            const std::size_t room = kLongestFunctionName + 1 - std::min(mPending.size(), kLongestFunctionName + 1);
            const std::size_t limit = std::min(aSize, i + room);
            while (i < limit && aText[i] != u'>' && !endsName(aText[i]))
                ++i;
            mPending.append(aText + start, i - start);
            if (i == aSize)
                continue;
        }
        // A character that ends a tentative construct is read again as text.
        if (step(aText[i]))
            ++i;
    }
}

void KezMarkup::startSpecial(char32_t aCharacter)
{
    switch (aCharacter) {
    case u'\\':
        mState = State::Escape;
        break;
    case u'%':
        mState = State::Percent;
        break;
    case u'<':
        mPending = U"<";
        mState = State::Name;
        break;
    case u'?':
        mState = State::Question;
        break;
    case u'&':
        mState = State::Amp;
        break;
    default: // a brace outside any construct
        errorFragment(std::u32string(1, aCharacter), true);
        break;
    }
}

void KezMarkup::beginBody(Kind aKind, const char32_t* aOpening)
{
    mKind = aKind;
    if (aOpening) // otherwise already in mPending
        mPending = aOpening;
    mDepth = 1;
    mGroups = 0;
    mEscapeNext = false;
    mFirstBodyCharacter = aKind == Kind::SpecialComment;
    mState = State::Body;
}

bool KezMarkup::step(char32_t c)
{
    switch (mState) {
    case State::Text:
        return false;
    case State::Escape:
        mState = State::Text;
        if (isEscapable(c)) {
            plain(&c, 1);
            return true;
        }
        plain(U"\\", 1);
        return false;
    case State::Percent:
        if (c == u'{') {
            beginBody(Kind::SpecialComment, U"%{");
            return true;
        }
        mState = State::Text;
        plain(U"%", 1);
        return false;
    case State::Name:
        if (c == u'>' && mPending.size() > 1) {
            mNameEnd = mPending.size();
            mPending += c;
            mState = State::AfterName;
            return true;
        }
        if (endsName(c) || mPending.size() > kLongestFunctionName) {
            mState = State::Text;
            plain(mPending);
            return false;
        }
        mPending += c;
        return true;
    case State::AfterName:
    case State::AfterNameAmp:
        if (mState == State::AfterName && c == u'&') {
            mPending += c;
            mState = State::AfterNameAmp;
            return true;
        }
        if (mState == State::AfterNameAmp && c == u'{') {
            mPending += c;
            beginBody(Kind::Function, nullptr);
            mArguments.assign(1, {mPending.size(), 0});
            return true;
        }
        mState = State::Text;
        plain(mPending);
        return false;
    case State::Question:
        if (c == u'&') {
            mState = State::QuestionAmp;
            return true;
        }
        mState = State::Text;
        plain(U"?", 1);
        return false;
    case State::QuestionAmp:
        if (c == u'{') {
            beginBody(Kind::Variant, U"?&{");
            return true;
        }
        mState = State::Text;
        plain(U"?&", 2);
        return false;
    case State::Amp:
        if (c == u'{') {
            beginBody(Kind::StrayArgument, U"&{");
            return true;
        }
        mState = State::Text;
        plain(U"&", 1);
        return false;
    case State::Body:
        mPending += c;
        if (mFirstBodyCharacter) {
            mFirstBodyCharacter = false;
            if (c == u'!')
                mKind = Kind::Command;
        }
        if (mEscapeNext)
            mEscapeNext = false;
        else if (c == u'\\')
            mEscapeNext = true;
        else if (c == u'{')
            ++mDepth;
        else if (c == u'}' && --mDepth == 0)
            closeGroup();
        if (mState == State::Body && mPending.size() > kLongestConstruct) {
            mState = State::Text;
            errorFragment(mPending, true);
        }
        return true;
    case State::AfterGroup:
        if (c == u'&') {
            mPending += c;
            mState = State::AfterGroupAmp;
            return true;
        }
        mState = State::Text;
        completeGroups();
        return false;
    case State::AfterGroupAmp:
        if (c == u'{') {
            mPending += c;
            mDepth = 1;
            mState = State::Body;
            mArguments.emplace_back(mPending.size(), 0);
            return true;
        }
        // The "&" belongs to the text after the construct.
        mPending.pop_back();
        completeGroups();
        mState = State::Amp;
        return false;
    }
    return true;
}

void KezMarkup::closeGroup()
{
    switch (mKind) {
    case Kind::SpecialComment:
    case Kind::Command:
        mState = State::Text;
        emitConstruct();
        break;
    case Kind::StrayArgument:
        mState = State::Text;
        errorFragment(mPending, true);
        break;
    case Kind::Function:
    case Kind::Variant:
        if (!mArguments.empty())
            mArguments.back().second = mPending.size() - 1;
        ++mGroups;
        mState = State::AfterGroup;
        break;
    }
}

// A function needs one argument or more, a variant two branches or more.
void KezMarkup::completeGroups()
{
    if (mKind == Kind::Variant && mGroups < 2)
        errorFragment(mPending, true);
    else
        emitConstruct();
}

void KezMarkup::emitConstruct()
{
    if (mKind == Kind::Function && renderOwnFunction())
        return;
    std::int32_t mode = mModes.specialComments;
    if (mKind == Kind::Command)
        mode = mModes.commands;
    else if (mKind == Kind::Function)
        mode = mModes.functions;
    else if (mKind == Kind::Variant)
        mode = mModes.variants;
    namespace NSMode = OptionValues::NSMode;
    switch (mode) {
    case NSMode::AsError:
        errorFragment(mPending, false);
        break;
    case NSMode::Hidden:
        mWriter.fragment(TextClass::HiddenNonSupport, mPending.data(), mPending.size());
        break;
    case NSMode::Visible:
        mWriter.fragment(TextClass::VisibleNonSupport, mPending.data(), mPending.size());
        break;
    default:
        break;
    }
}

// The converter's own functions: true when the construct was one of them (rendered, or an error
// when its argument does not fit).
bool KezMarkup::renderOwnFunction()
{
    namespace Name = FunctionName;
    const std::u32string_view name(mPending.data() + 1, mNameEnd - 1);
    if (name != Name::ChurchSlavonic && name != Name::SpacedOut && name != Name::Number && name != Name::Sign &&
        name != Name::Footnote && name != Name::MarginNote)
        return false;
    const bool note = name == Name::Footnote || name == Name::MarginNote;
    // A note inside a note is an error whether either is a real note or kept in the text.
    if (mArguments.size() != 1 || mNesting >= kDeepestNesting || (note && mInNote)) {
        errorFragment(mPending, true);
        return true;
    }
    const std::u32string_view argument(mPending.data() + mArguments[0].first,
                                       mArguments[0].second - mArguments[0].first);
    if (name == Name::ChurchSlavonic) {
        decodeChurchSlavonicMarks(argument, mScratch);
        renderArgument(mScratch, TextClass::ChurchSlavonic);
    } else if (name == Name::SpacedOut) {
        namespace SpaceOut = OptionValues::CSSpaceOutMode;
        Decoration spacing;
        spacing.italic = mModes.csSpaceOut == SpaceOut::Italic;
        spacing.underline = mModes.csSpaceOut == SpaceOut::Underline;
        mWriter.pushDecoration(spacing);
        decodeChurchSlavonicMarks(argument, mScratch);
        renderArgument(mScratch,
                       mModes.csSpaceOut == SpaceOut::OwnFont ? TextClass::SpacedOut : TextClass::ChurchSlavonic);
        mWriter.popDecoration();
    } else if (name == Name::Number || name == Name::Sign) {
        const std::optional<int> number = name == Name::Number ? numberOf(argument) : std::nullopt;
        const std::optional<TypikonSign> sign = name == Name::Sign ? signNamed(argument) : std::nullopt;
        if ((!number && !sign) || mModes.csDigits == OptionValues::CSDigitMode::Forbidden) {
            errorFragment(mPending, true);
        } else if (number) {
            numberLetters(*number, mScratch);
            renderDigits(mScratch, mDigitFonts->numberFont(mScratch), false, {});
        } else {
            const char32_t character = signCharacter(*sign);
            renderDigits(std::u32string_view(&character, 1), mDigitFonts->signFont(character), signIsRed(*sign),
                         signStandIn(*sign));
        }
    } else {
        const bool bottom = name == Name::Footnote;
        const std::int32_t implementation = bottom ? mModes.bottomNotes : mModes.marginNotes;
        if (implementation == OptionValues::FtnImpl::Note) {
            mWriter.beginNote(bottom ? NoteKind::Footnote : NoteKind::MarginFrame);
            renderArgument(argument, std::nullopt, true);
            mWriter.endNote();
        } else {
            Decoration highlight;
            highlight.backColorIndex = bottom ? mModes.bottomNoteBack : mModes.marginNoteBack;
            mWriter.pushDecoration(highlight);
            renderArgument(argument, std::nullopt, true);
            mWriter.popDecoration();
        }
    }
    return true;
}

void KezMarkup::renderArgument(std::u32string_view aText, std::optional<TextClass> aClass, bool aNote)
{
    KezMarkup inner(mModes, mWriter, mDigitFonts, aClass, mNesting + 1, mInNote || aNote);
    inner.feed(aText.data(), aText.size());
    inner.finish();
    mErrors += inner.errors();
}

// A number or a sign in the font chosen for it, signs but the lowest in red.
void KezMarkup::renderDigits(std::u32string_view aText, DigitFont aFont, bool aRed, std::u32string_view aStandIn)
{
    constexpr std::int32_t kRed = 6;
    Decoration colour;
    colour.foreColorIndex = aRed ? kRed : 0;
    mWriter.pushDecoration(colour);
    if (aFont == DigitFont::ERoos)
        mWriter.fragment(TextClass::CsERoos, aText);
    else
        mWriter.fragment(TextClass::CsOther, aFont == DigitFont::StandIn ? aStandIn : aText);
    mWriter.popDecoration();
}

void KezMarkup::errorFragment(const std::u32string& aText, bool aCounted)
{
    if (aCounted)
        ++mErrors;
    if (mModes.errorMode != OptionValues::ErrorMode::InErrorFont)
        return;
    // In the error font alone: not italic or highlighted like the spaced-out text or note around it.
    mWriter.pushDecoration(Decoration{}, true);
    mWriter.fragment(TextClass::Error, aText.data(), aText.size());
    mWriter.popDecoration();
}

void KezMarkup::finish()
{
    const State state = mState;
    mState = State::Text;
    switch (state) {
    case State::Text:
        break;
    case State::Escape:
        plain(U"\\", 1);
        break;
    case State::Percent:
        plain(U"%", 1);
        break;
    case State::Name:
    case State::AfterName:
    case State::AfterNameAmp:
        plain(mPending);
        break;
    case State::Question:
        plain(U"?", 1);
        break;
    case State::QuestionAmp:
        plain(U"?&", 2);
        break;
    case State::Amp:
        plain(U"&", 1);
        break;
    case State::Body: // never closed
        errorFragment(mPending, true);
        break;
    case State::AfterGroup:
        completeGroups();
        break;
    case State::AfterGroupAmp:
        mPending.pop_back();
        completeGroups();
        plain(U"&", 1);
        break;
    }
    mPending.clear();
}

} // namespace kezcc
