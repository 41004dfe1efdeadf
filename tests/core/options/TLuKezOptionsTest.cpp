#include "core/errors/KezError.h"
#include "core/options/TLuKezOptions.h"
#include "core/options/OptionsSaver.h"
#include "core/options/OptionsTable.h"
#include "core/runner/ExternalData.h"
#include "core/options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using platform::kHKeyCurrentUser;

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv");

// The stored layout: value names and ranges of the integers, subkeys of the fonts.
struct IntegerEntry {
    const char* name;
    qint32 TLuKezOptions::*member;
    qint32 minimum;
    qint32 maximum;
    qint32 defaultValue;
};
const std::vector<IntegerEntry> kIntegers = {
    {"SourceEncoding", &TLuKezOptions::SourceEncoding, 0, 2, 1},
    {"CSDigitMode", &TLuKezOptions::CSDigitMode, 0, 3, 3},
    {"CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, 0, 3, 1},
    {"RusMode", &TLuKezOptions::RusMode, 0, 2, 0},
    {"GreekMode", &TLuKezOptions::GreekMode, 0, 1, 1},
    {"ErrorMode", &TLuKezOptions::ErrorMode, 0, 1, 1},
    {"NSMode_Function", &TLuKezOptions::NSModeFunction, 0, 3, 2},
    {"NSMode_Variants", &TLuKezOptions::NSModeVariants, 0, 3, 2},
    {"NSMode_SpecComm", &TLuKezOptions::NSModeSpecComm, 0, 3, 2},
    {"NSMode_Commands", &TLuKezOptions::NSModeCommands, 0, 3, 2},
    {"FtnBottom_Impl", &TLuKezOptions::FtnBottomImpl, 0, 1, 0},
    {"FtnBottom_Back", &TLuKezOptions::FtnBottomBack, 0, 16, 0},
    {"FtnMargin_Impl", &TLuKezOptions::FtnMarginImpl, 0, 1, 1},
    {"FtnMargin_Back", &TLuKezOptions::FtnMarginBack, 0, 16, 4},
};

struct FontEntry {
    const char* subkey;
    TOptionsFont& (*font)(TLuKezOptions&);
};
const std::vector<FontEntry> kFonts = {
    {"Ucs8Text", [](TLuKezOptions& o) -> TOptionsFont& { return o.Ucs8Text(); }},
    {"CS_ERoosText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSERoosText(); }},
    {"CS_OtherText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSOtherText(); }},
    {"CS_SpaceOutText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSSpaceOutText(); }},
    {"RussText", [](TLuKezOptions& o) -> TOptionsFont& { return o.RussText(); }},
    {"GreekText", [](TLuKezOptions& o) -> TOptionsFont& { return o.GreekText(); }},
    {"LatinText", [](TLuKezOptions& o) -> TOptionsFont& { return o.LatinText(); }},
    {"ErrorText", [](TLuKezOptions& o) -> TOptionsFont& { return o.ErrorText(); }},
    {"NonSupportText", [](TLuKezOptions& o) -> TOptionsFont& { return o.NonSupportText(); }},
};

TOptionsFont& font(TLuKezOptions& options, const FontEntry& entry) { return entry.font(options); }
const TOptionsFont& font(const TLuKezOptions& options, const FontEntry& entry)
{
    return entry.font(const_cast<TLuKezOptions&>(options));
}

void expectSameOptions(const TLuKezOptions& actual, const TLuKezOptions& expected)
{
    EXPECT_EQ(actual.IsDirectPipe, expected.IsDirectPipe);
    EXPECT_EQ(actual.DontShowOptions, expected.DontShowOptions);
    for (const IntegerEntry& entry : kIntegers)
        EXPECT_EQ(actual.*entry.member, expected.*entry.member) << entry.name;
    for (const FontEntry& entry : kFonts)
        EXPECT_EQ(font(actual, entry), font(expected, entry)) << entry.subkey;
}

qint32 nonDefault(const IntegerEntry& entry)
{
    return entry.defaultValue == entry.maximum ? entry.minimum : entry.maximum;
}

class KezOptions : public ::testing::Test {
protected:
    KezOptions() { defaults.FillWithDefaults(); }

    // Reads the options from aKey, a key of their own unless given.
    std::unique_ptr<TLuKezOptions> read(const QString& aKey = kKey)
    {
        auto options = std::make_unique<TLuKezOptions>();
        options->ReadFromRegistry(kHKeyCurrentUser, aKey, defaults);
        return options;
    }
    QString freshKey() { return kKey + QStringLiteral("\\Case%1").arg(++cases); }

    TestEnvironment environment;
    TLuKezOptions defaults;
    int cases = 0;
};

} // namespace

TEST_F(KezOptions, AFirstRunWithoutAnyKeyYieldsExactlyTheDefaultsAndWritesNothing)
{
    for (const IntegerEntry& entry : kIntegers)
        EXPECT_EQ(defaults.*entry.member, entry.defaultValue) << entry.name;
    EXPECT_EQ(defaults.ErrorText().BackColorIndex, 5);
    EXPECT_TRUE(defaults.NonSupportText().Bold);
    EXPECT_EQ(defaults.CSERoosText().Face, QStringLiteral("Orthodox.tt eRoos"));
    EXPECT_EQ(defaults.GreekText().Face, QStringLiteral("Palatino Linotype"));
    expectSameOptions(*read(), defaults);
    EXPECT_FALSE(QFile::exists(environment.registryFile()));
}

TEST_F(KezOptions, IntegersOutsideTheirRangeReadAsTheDefault)
{
    for (const IntegerEntry& entry : kIntegers) {
        for (const qint32 stored : {entry.minimum - 1, entry.maximum + 1}) {
            const QString key = freshKey();
            Store(key, QString::fromLatin1(entry.name), stored);
            EXPECT_EQ((*read(key)).*entry.member, entry.defaultValue) << entry.name << " stored as " << stored;
        }
    }
}

TEST_F(KezOptions, EachIntegerAndFontIsReadFromItsOwnNameAndNothingElse)
{
    for (const IntegerEntry& entry : kIntegers) {
        const QString key = freshKey();
        Store(key, QString::fromLatin1(entry.name), nonDefault(entry));
        TLuKezOptions expected;
        expected.AssignFrom(defaults);
        expected.*entry.member = nonDefault(entry);
        SCOPED_TRACE(entry.name);
        expectSameOptions(*read(key), expected);
    }
    for (const FontEntry& entry : kFonts) {
        const QString key = freshKey();
        Store(key + QLatin1Char('\\') + QString::fromLatin1(entry.subkey), QStringLiteral("FaceName"),
              QStringLiteral("Probe"));
        TLuKezOptions expected;
        expected.AssignFrom(defaults);
        font(expected, entry).Face = QStringLiteral("Probe");
        SCOPED_TRACE(entry.subkey);
        expectSameOptions(*read(key), expected);
    }
}

TEST_F(KezOptions, EachIntegerIsWrittenAsANumberUnderItsOwnValueName)
{
    // Writing checks no range, so every member can carry a value of its own.
    TLuKezOptions options;
    options.AssignFrom(defaults);
    qint32 distinct = 100;
    for (const IntegerEntry& entry : kIntegers)
        options.*entry.member = distinct++;
    options.WriteToRegistry(kHKeyCurrentUser, kKey);
    distinct = 100;
    for (const IntegerEntry& entry : kIntegers) {
        const QString name = QString::fromLatin1(entry.name);
        EXPECT_EQ(miRegistryTools::ReadLongValueDef(kHKeyCurrentUser, kKey, name, -99), distinct++) << entry.name;
        EXPECT_EQ(StoredType(kKey, name), platform::RegType::Dword) << entry.name;
    }
}

TEST_F(KezOptions, WritingAndReadingBackReproducesEveryStoredMemberButNeverTheDialogFlags)
{
    TLuKezOptions written;
    written.IsDirectPipe = true;
    written.DontShowOptions = true;
    for (const IntegerEntry& entry : kIntegers)
        written.*entry.member = nonDefault(entry);
    int n = 0;
    for (const FontEntry& entry : kFonts) {
        ++n;
        font(written, entry).FillWith(QStringLiteral("Шрифт %1").arg(n), 10 + n, n % 2 == 0, n % 3 == 0, n, 16 - n);
    }
    written.WriteToRegistry(kHKeyCurrentUser, kKey);

    // Neither flags already set nor defaults with the flags set bring them back.
    TLuKezOptions back;
    back.IsDirectPipe = back.DontShowOptions = true;
    back.ReadFromRegistry(kHKeyCurrentUser, kKey, written);
    EXPECT_FALSE(back.IsDirectPipe);
    EXPECT_FALSE(back.DontShowOptions);
    back.IsDirectPipe = back.DontShowOptions = true;
    expectSameOptions(back, written);
}

// Every value of a save is in the file, or none: nothing reaches the file until the whole
// options object has been written, and a save that cannot be stored leaves the file as it was.
TEST_F(KezOptions, AWholeSaveReachesTheSettingsFileAtOnceOrNotAtAll)
{
    const auto fileText = [&] {
        QFile file(environment.registryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    defaults.WriteToRegistry(kHKeyCurrentUser, kKey);
    const QByteArray before = fileText();
    ASSERT_FALSE(before.isEmpty());

    TLuKezOptions changed;
    changed.FillWithDefaults();
    for (const IntegerEntry& entry : kIntegers)
        changed.*entry.member = nonDefault(entry);
    for (const FontEntry& entry : kFonts)
        font(changed, entry).Size += 3;
    RegistrySpy spy;
    int unchangedDuringSave = 0, values = 0;
    spy.onSetValue = [&] {
        ++values;
        unchangedDuringSave += fileText() == before;
    };
    {
        platform::ScopedService<platform::Registry> scoped(spy);
        changed.WriteToRegistry(kHKeyCurrentUser, kKey);
    }
    EXPECT_EQ(values, 14 + 9 * 6);
    EXPECT_EQ(unchangedDuringSave, values);
    EXPECT_NE(fileText(), before);
    expectSameOptions(*read(), changed);

    // The lock file replaced by a link: the save is refused whole, and says so in words.
    const QString lock = environment.registryFile() + QStringLiteral(".lock");
    QFile::remove(lock);
    ASSERT_TRUE(QFile::link(environment.root() + QStringLiteral("/elsewhere"), lock));
    const QByteArray saved = fileText();
    try {
        defaults.WriteToRegistry(kHKeyCurrentUser, kKey);
        ADD_FAILURE() << "a refused save went unsaid";
    } catch (const KezError& failure) {
        EXPECT_TRUE(failure.description().contains(QStringLiteral("отказано в доступе (ошибка 5)")))
            << failure.description().toStdString();
        EXPECT_TRUE(failure.description().contains(kKey)) << failure.description().toStdString();
    }
    EXPECT_EQ(miRegistryTools::LastRegistryError(), platform::RegError::AccessDenied);
    EXPECT_EQ(fileText(), saved);
    expectSameOptions(*read(), changed);
}

// Another program saves the options over and over: every read gives one of its saves whole.
TEST_F(KezOptions, ReadingWhileAnotherProgramSavesGivesOneWholeSave)
{
    const OptionsSaver saver(kKey);
    ASSERT_TRUE(saver.ready);
    std::unique_ptr<TLuKezOptions> options;
    const SavesRead reads = ReadWhileSaving(500, [&]() -> const TLuKezOptions& { return *(options = read()); });
    EXPECT_EQ(reads.mixed, 0) << "of " << reads.reads;
    EXPECT_GE(reads.changes, 20) << "the other program saved during the reads";
}

// The copy, the store and the record walk the options table: each row, changed alone, is copied,
// read back from its own stored name and sent in its own field only, and the rows' fields fill
// the record's options part (offsets 12 to 1507) without a gap, so no option is left out.
TEST_F(KezOptions, EveryRowOfTheTableIsCopiedStoredAndSentInAFieldOfItsOwn)
{
    const auto recordOf = [](const TLuKezOptions& aOptions) {
        miKezConverterRunner::ExternalRecord record{};
        miKezConverterRunner::SaveAllToExternal(record.data(), aOptions, QString(), QString());
        return record;
    };
    const miKezConverterRunner::ExternalRecord defaultRecord = recordOf(defaults);
    std::map<qint32, qint32> fields; // offset to size
    for (const OptionsTable::Option& option : OptionsTable::Options()) {
        TLuKezOptions changed;
        changed.AssignFrom(defaults);
        if (option.Flag) {
            // The dialog's own: copied, but neither stored nor sent.
            changed.*option.Flag = true;
            TLuKezOptions copy;
            copy.AssignFrom(changed);
            EXPECT_TRUE(copy.*option.Flag);
            EXPECT_EQ(recordOf(changed), defaultRecord);
            continue;
        }
        SCOPED_TRACE(option.Number ? option.Number->RegistryName : option.Font->RegistryKey);
        qint32 offset = 0, size = 0;
        if (option.Number) {
            changed.*option.Number->Member = option.Number->Default == option.Number->Maximum
                                                 ? option.Number->Minimum
                                                 : option.Number->Maximum;
            offset = option.Number->RecordOffset;
            size = 4;
        } else {
            (changed.*option.Font->Member).FillWith(QStringLiteral("Проба"), 7, true, true, 3, 9);
            offset = option.Font->RecordOffset;
            size = 160;
        }
        const QString key = freshKey();
        changed.WriteToRegistry(kHKeyCurrentUser, key);
        TLuKezOptions copy;
        copy.AssignFrom(changed);
        expectSameOptions(copy, changed);
        expectSameOptions(*read(key), changed);

        const miKezConverterRunner::ExternalRecord record = recordOf(changed);
        int differing = 0;
        for (qint32 i = 0; i < qint32(record.size()); ++i) {
            if (record[std::size_t(i)] != defaultRecord[std::size_t(i)]) {
                ++differing;
                EXPECT_TRUE(i >= offset && i < offset + size) << "byte " << i << " outside " << offset;
            }
        }
        EXPECT_GT(differing, 0);
        EXPECT_TRUE(fields.emplace(offset, size).second) << offset;
    }
    qint32 next = 12;
    for (const auto& [offset, size] : fields) {
        EXPECT_EQ(offset, next);
        next = offset + size;
    }
    EXPECT_EQ(next, 1508);
}
