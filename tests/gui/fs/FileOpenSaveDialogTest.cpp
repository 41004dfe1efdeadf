#include "core/common/ScopedOverride.h"
#include "support/FailureNumber.h"
#include "gui/fs/FakeOpenFileDialog.h"
#include "gui/fs/FileOpenSaveDialog.h"

#include <gtest/gtest.h>

// The private byte-buffer routines, reached from the tests.
struct FileOpenSaveDialogTestAccess {
    static void SaveStringToZByteArray(const QString& aText, QByteArray& aBytes)
    {
        FileOpenSaveDialog::SaveStringToZByteArray(aText, aBytes);
    }
    static void SaveStringToZByteBuffer(const QString& aText, QByteArray& aBytes, qint32 aSize)
    {
        FileOpenSaveDialog::SaveStringToZByteBuffer(aText, aBytes, aSize);
    }
    static QString LoadStringFromZByteBuffer(QByteArray& aBytes)
    {
        return FileOpenSaveDialog::LoadStringFromZByteBuffer(aBytes);
    }
    static qint32 CountZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aCount)
    {
        return FileOpenSaveDialog::CountZZStrings(aBytes, aSize, aCount);
    }
    static QStringList ExpandZZBuffer(const QByteArray& aBytes, qint32 aSize, qint32& aCount)
    {
        QStringList strings{QStringLiteral("stale")};
        FileOpenSaveDialog::ExpandZZBuffer(aBytes, aSize, strings, aCount);
        return strings;
    }
};

namespace {

using Access = FileOpenSaveDialogTestAccess;
const qint32 kSubscript = KezErrorNumber::SubscriptOutOfRange;

QByteArray bytes(const char* aText, qsizetype aSize) { return QByteArray(aText, aSize); }

class OpenFileDialogRun : public ::testing::Test {
protected:
    std::shared_ptr<FakeOpenFileDialog> fake = std::make_shared<FakeOpenFileDialog>();
    const ScopedOverride<std::shared_ptr<OpenFileNameDialog>> installed{openFileNameDialog(), fake};
    FileOpenSaveDialog dialog;

    void SetUp() override
    {
        dialog.Filter = QStringLiteral("Файлы KEZ (*.kez)|*.kez|Все файлы (*.*)|*.*");
        dialog.FlagsOfOpenSave = 530952;
    }

    // An empty selection is the user cancelling.
    bool choose(const QStringList& aSelection)
    {
        fake->selection = aSelection.isEmpty() ? QByteArray() : FakeOpenFileDialog::zz(aSelection);
        return dialog.RunOpenFileDialog();
    }
    QStringList files() const
    {
        QStringList out;
        for (qint32 i = 0; i < dialog.FilesCount(); ++i)
            out.append(dialog.Files(i));
        return out;
    }
};

} // namespace

TEST(ZZBuffer, StringsEndAtTheDoubleNulOrAtTheSizeGiven)
{
    const struct {
        QByteArray buffer;
        qint32 size, length;
        QStringList strings;
    } cases[] = {{bytes("a\0bc\0\0", 6), 6, 5, {"a", "bc"}},
                 {bytes("abc\0", 4), 4, 4, {"abc"}},
                 {bytes("abcd", 4), 4, 4, {"abcd"}},
                 {bytes("\0\0junk\0\0", 8), 8, 1, {QString()}},
                 {bytes("a\0b\0\0", 5), 3, 3, {"a", "b"}}};
    for (const auto& c : cases) {
        qint32 count = -1;
        EXPECT_EQ(Access::CountZZStrings(c.buffer, c.size, count), c.length) << c.buffer.toHex().constData();
        EXPECT_EQ(count, c.strings.size());
        EXPECT_EQ(Access::ExpandZZBuffer(c.buffer, c.size, count), c.strings);
    }
    qint32 count = 0;
    EXPECT_EQ(FailureNumberOf([&] { Access::CountZZStrings(bytes("a\0\0", 3), 4, count); }), kSubscript);
}

TEST(ZByteArrays, SavingCutsAtTheSizeWithoutSplittingACharacterAndLoadingAlwaysFindsAnEnd)
{
    QByteArray array(100, 'x');
    // "ANSI" here is UTF-8: a Cyrillic letter takes two bytes.
    Access::SaveStringToZByteArray(QStringLiteral("Ёж"), array);
    EXPECT_EQ(array, QByteArray("\xD0\x81\xD0\xB6\0", 5));

    QByteArray buffer(8, 'x');
    Access::SaveStringToZByteBuffer(QStringLiteral("abcdefghij"), buffer, 8);
    EXPECT_EQ(buffer, bytes("abcdefg\0", 8));
    Access::SaveStringToZByteBuffer(QStringLiteral("абвг"), buffer, 4);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(buffer), QStringLiteral("а"));
    EXPECT_EQ(FailureNumberOf([&] { Access::SaveStringToZByteBuffer(QStringLiteral("a"), buffer, 9); }), kSubscript);

    QByteArray unterminated = bytes("abcd", 4);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(unterminated), QStringLiteral("abc"));
}

TEST_F(OpenFileDialogRun, RequestCarriesTheCallersSettings)
{
    dialog.Title = QStringLiteral("Конвертация KEZ-файлов");
    dialog.DefaultExt = QStringLiteral("kez");
    dialog.InitialDir = QStringLiteral("/start");
    dialog.File = QStringLiteral("proposed.kez");
    dialog.FilterIndex = 2;
    dialog.RunOpenFileDialog();
    EXPECT_EQ(fake->shown, 1);
    EXPECT_EQ(fake->seen.lStructSize, 76u);
    EXPECT_EQ(fake->seenFilter, QStringLiteral("Файлы KEZ (*.kez)\0*.kez\0Все файлы (*.*)\0*.*\0\0").toUtf8());
    EXPECT_EQ(fake->seenTitle, QStringLiteral("Конвертация KEZ-файлов"));
    EXPECT_EQ(fake->seenDefExt, QStringLiteral("kez"));
    EXPECT_EQ(fake->seenInitialDir, QStringLiteral("/start"));
    EXPECT_EQ(fake->seenFile, QStringLiteral("proposed.kez"));
    EXPECT_EQ(fake->seen.Flags, 530952u);
    EXPECT_EQ(fake->seen.nFilterIndex, 2u);
    EXPECT_EQ(fake->seen.nMaxFile, 32760u);

    // A filter already ending in "|" gets no second separator.
    dialog.Filter = QStringLiteral("Все файлы|*|");
    dialog.RunOpenFileDialog();
    EXPECT_EQ(fake->seenFilter, QStringLiteral("Все файлы\0*\0\0").toUtf8());
}

TEST_F(OpenFileDialogRun, SelectionsArriveAsFullPathsInTheDialogsOrder)
{
    fake->filterIndexChosen = 2;
    ASSERT_TRUE(choose({QStringLiteral("/Тексты/Псалом 1.kez")}));
    EXPECT_EQ(files(), QStringList{QStringLiteral("/Тексты/Псалом 1.kez")});
    EXPECT_EQ(dialog.File, QStringLiteral("/Тексты/Псалом 1.kez"));
    EXPECT_EQ(dialog.FilterIndex, 2);

    ASSERT_TRUE(choose({QStringLiteral("/T"), QStringLiteral("b.kez"), QStringLiteral("a \"q\".kez"),
                        QStringLiteral("c.txt")}));
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/T/b.kez"), QStringLiteral("/T/a \"q\".kez"),
                                    QStringLiteral("/T/c.txt")}));
    EXPECT_EQ(dialog.File, QStringLiteral("b.kez"));

    // The root folder already ends in its separator.
    ASSERT_TRUE(choose({QStringLiteral("/"), QStringLiteral("a.kez"), QStringLiteral("b.kez")}));
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/a.kez"), QStringLiteral("/b.kez")}));

    // Without multiple selection the buffer is one path.
    dialog.FlagsOfOpenSave = OpenFileFlags::Explorer | OpenFileFlags::FileMustExist;
    ASSERT_TRUE(choose({QStringLiteral("/T/one.kez"), QStringLiteral("ignored")}));
    EXPECT_EQ(files(), QStringList{QStringLiteral("/T/one.kez")});
}

TEST_F(OpenFileDialogRun, CancelOrFailureKeepsThePreviousResults)
{
    fake->filterIndexChosen = 2;
    ASSERT_TRUE(choose({QStringLiteral("/T"), QStringLiteral("a.kez"), QStringLiteral("b.kez")}));
    dialog.LastErrorCode = 99;
    EXPECT_FALSE(choose({}));
    EXPECT_EQ(dialog.LastErrorCode, 0u);
    fake->failWith = 0x3002;
    EXPECT_FALSE(choose({QStringLiteral("/T/c.kez")}));
    EXPECT_EQ(dialog.LastErrorCode, 0x3002u);
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/T/a.kez"), QStringLiteral("/T/b.kez")}));
    EXPECT_EQ(dialog.File, QStringLiteral("a.kez"));
    EXPECT_EQ(dialog.FilterIndex, 2);
}

TEST_F(OpenFileDialogRun, SelectionLargerThanTheBufferIsFetchedAgainWholeWithoutAskingTwice)
{
    QStringList strings{QStringLiteral("/Очень длинная папка")};
    for (int i = 0; i < 2000; ++i)
        strings.append(QStringLiteral("Псалом номер %1.kez").arg(i, 4, 10, QLatin1Char('0')));
    ASSERT_TRUE(choose(strings));
    ASSERT_GT(fake->selection.size(), FileOpenSaveDialog::kFileBufferSize);
    EXPECT_EQ(fake->shown, 1);
    EXPECT_EQ(fake->refetched, 1);
    ASSERT_EQ(dialog.FilesCount(), 2000);
    EXPECT_EQ(dialog.Files(1999), QStringLiteral("/Очень длинная папка/Псалом номер 1999.kez"));

    // A dialog that never fits fails with its code instead of looping.
    fake->alwaysTooSmall = true;
    EXPECT_FALSE(choose({QStringLiteral("/T/a.kez")}));
    EXPECT_EQ(dialog.LastErrorCode, kFnErrBufferTooSmall);
    EXPECT_LE(fake->refetched, 5);
}

TEST(QtDialogFormats, FilterPairsBecomeNameFiltersAndSelectionsThePlatformsBuffer)
{
    const QByteArray filter =
        QStringLiteral("Файлы KEZ (*.kez)\0*.kez\0Все файлы (*.*)\0*.*\0Тексты\0*.txt;*.kez\0\0").toUtf8();
    EXPECT_EQ(QtOpenFileFormats::NameFilters(filter.constData()),
              (QStringList{QStringLiteral("Файлы KEZ (*.kez) (*.kez)"), QStringLiteral("Все файлы (*.*) (*)"),
                           QStringLiteral("Тексты (*.txt *.kez)")}));
    // A display text without its pattern is no filter.
    EXPECT_TRUE(QtOpenFileFormats::NameFilters(bytes("Alone\0\0", 7).constData()).isEmpty());

    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/T/a.kez")}, true), bytes("/T/a.kez\0\0", 10));
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/T/b.kez"), QStringLiteral("/T/a.kez")}, true),
              bytes("/T\0b.kez\0a.kez\0\0", 16));
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/a.kez"), QStringLiteral("/b.kez")}, true),
              bytes("/\0a.kez\0b.kez\0\0", 15));
}
