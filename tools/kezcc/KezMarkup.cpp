#include "KezMarkup.h"

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

KezMarkup::KezMarkup(const MarkupModes& aModes, RtfWriter& aWriter) : mModes(aModes), mWriter(aWriter) {}

void KezMarkup::plain(const char32_t* aText, std::size_t aSize) { mWriter.text(aText, aSize); }

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
            beginBody(Kind::Function, (mPending + c).c_str());
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
    std::int32_t mode = mModes.specialComments;
    if (mKind == Kind::Command)
        mode = mModes.commands;
    else if (mKind == Kind::Function)
        mode = mModes.functions;
    else if (mKind == Kind::Variant)
        mode = mModes.variants;
    switch (mode) {
    case AsError:
        errorFragment(mPending, false);
        break;
    case Hidden:
        mWriter.fragment(TextClass::HiddenNonSupport, mPending.data(), mPending.size());
        break;
    case Visible:
        mWriter.fragment(TextClass::VisibleNonSupport, mPending.data(), mPending.size());
        break;
    default:
        break;
    }
}

void KezMarkup::errorFragment(const std::u32string& aText, bool aCounted)
{
    if (aCounted)
        ++mErrors;
    if (mModes.errorMode == 1)
        mWriter.fragment(TextClass::Error, aText.data(), aText.size());
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
