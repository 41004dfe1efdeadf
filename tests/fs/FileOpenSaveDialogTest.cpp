#include "errors/KezError.h"
#include "fs/FakeOpenFileDialog.h"
#include "fs/FileOpenSaveDialog.h"

#include <gtest/gtest.h>


// The private byte-buffer routines, reached from the tests.
struct FileOpenSaveDialogTestAccess {
    static char* SaveStringToZByteArray(const QString& aText, QByteArray& aBytes)
    {
        return FileOpenSaveDialog::SaveStringToZByteArray(aText, aBytes);
    }
    static char* SaveStringToZByteBuffer(const QString& aText, QByteArray& aBytes, qint32 aSize)
    {
        return FileOpenSaveDialog::SaveStringToZByteBuffer(aText, aBytes, aSize);
    }
    static QString LoadStringFromZByteBuffer(QByteArray& aBytes)
    {
        return FileOpenSaveDialog::LoadStringFromZByteBuffer(aBytes);
    }
    static qint32 CountZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aCount)
    {
        return FileOpenSaveDialog::CountZZStrings(aBytes, aSize, aCount);
    }
    static QString ExpandOneStringFromZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aPosition)
    {
        return FileOpenSaveDialog::ExpandOneStringFromZZStrings(aBytes, aSize, aPosition);
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

QByteArray bytes(const char* aText, qsizetype aSize) { return QByteArray(aText, aSize); }

template <class Body>
qint32 failureNumberOf(Body&& aBody)
{
    try {
        aBody();
    } catch (const KezError& failure) {
        return failure.number();
    }
    return 0;
}

class OpenFileDialogRun : public ::testing::Test {
protected:
    std::shared_ptr<FakeOpenFileDialog> fake = std::make_shared<FakeOpenFileDialog>();
    FileOpenSaveDialog dialog;

    void SetUp() override
    {
        SetOpenFileNameDialog(fake);
        dialog.Filter = QStringLiteral("Файлы KEZ (*.kez)|*.kez|Все файлы (*.*)|*.*");
        dialog.FlagsOfOpenSave = 530952;
    }
    void TearDown() override { SetOpenFileNameDialog(nullptr); }

    static QByteArray zz(const QStringList& aStrings) { return FakeOpenFileDialog::zz(aStrings); }

    QStringList files() const
    {
        QStringList out;
        for (qint32 i = 0; i < dialog.FilesCount(); ++i)
            out.append(dialog.Files(i));
        return out;
    }
};

} // namespace

TEST(ZZBuffer, TwoStringsEndAtTheDoubleNul)
{
    qint32 count = -1;
    const QByteArray buffer = bytes("a\0bc\0\0", 6);
    EXPECT_EQ(Access::CountZZStrings(buffer, 6, count), 5);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Access::ExpandZZBuffer(buffer, 6, count), (QStringList{QStringLiteral("a"), QStringLiteral("bc")}));
}

TEST(ZZBuffer, UnterminatedLastStringStillCounts)
{
    qint32 count = -1;
    const QByteArray buffer = bytes("abc\0", 4);
    EXPECT_EQ(Access::CountZZStrings(buffer, 4, count), 4);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Access::ExpandZZBuffer(buffer, 4, count), QStringList{QStringLiteral("abc")});

    const QByteArray noNulAtAll = bytes("abcd", 4);
    EXPECT_EQ(Access::CountZZStrings(noNulAtAll, 4, count), 4);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Access::ExpandZZBuffer(noNulAtAll, 4, count), QStringList{QStringLiteral("abcd")});
}

TEST(ZZBuffer, LeadingDoubleNulIsOneEmptyString)
{
    qint32 count = -1;
    const QByteArray buffer = bytes("\0\0junk\0\0", 8);
    EXPECT_EQ(Access::CountZZStrings(buffer, 8, count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Access::ExpandZZBuffer(buffer, 8, count), QStringList{QString()});
}

TEST(ZZBuffer, SizeLimitsTheScan)
{
    qint32 count = -1;
    // The double NUL lies beyond the size given.
    const QByteArray buffer = bytes("a\0b\0\0", 5);
    EXPECT_EQ(Access::CountZZStrings(buffer, 3, count), 3);
    EXPECT_EQ(count, 2);
}

TEST(ZZBuffer, ExpandingOneStringAdvancesPastItsNul)
{
    const QByteArray buffer = bytes("ab\0\0cd", 6);
    qint32 position = 0;
    EXPECT_EQ(Access::ExpandOneStringFromZZStrings(buffer, 6, position), QStringLiteral("ab"));
    EXPECT_EQ(position, 3);
    EXPECT_EQ(Access::ExpandOneStringFromZZStrings(buffer, 6, position), QString());
    EXPECT_EQ(position, 4);
    EXPECT_EQ(Access::ExpandOneStringFromZZStrings(buffer, 6, position), QStringLiteral("cd"));
    EXPECT_EQ(position, 7);
    EXPECT_EQ(Access::ExpandOneStringFromZZStrings(buffer, 6, position), QString());
    EXPECT_EQ(position, 7);
}

TEST(ZZBuffer, SizeBeyondTheArrayIsASubscriptFailure)
{
    qint32 count = 0;
    qint32 position = 0;
    const QByteArray buffer = bytes("a\0\0", 3);
    EXPECT_EQ(failureNumberOf([&] { Access::CountZZStrings(buffer, 4, count); }), KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumberOf([&] { Access::ExpandOneStringFromZZStrings(buffer, 4, position); }),
              KezErrorNumber::SubscriptOutOfRange);
    position = -1;
    EXPECT_EQ(failureNumberOf([&] { Access::ExpandOneStringFromZZStrings(buffer, 3, position); }),
              KezErrorNumber::SubscriptOutOfRange);
}

TEST(ZByteArrays, SavingSizesTheArrayToTheTextAndANul)
{
    QByteArray array(100, 'x');
    char* first = Access::SaveStringToZByteArray(QStringLiteral("abc"), array);
    EXPECT_EQ(first, array.data());
    EXPECT_EQ(array, bytes("abc\0", 4));
    Access::SaveStringToZByteArray(QString(), array);
    EXPECT_EQ(array, bytes("\0", 1));
    // "ANSI" here is UTF-8: a Cyrillic letter takes two bytes.
    Access::SaveStringToZByteArray(QStringLiteral("Ёж"), array);
    EXPECT_EQ(array, QByteArray("\xD0\x81\xD0\xB6\0", 5));
}

TEST(ZByteArrays, SavingIntoABufferCutsAtSizeMinusOneAndKeepsTheSize)
{
    QByteArray buffer(8, 'x');
    Access::SaveStringToZByteBuffer(QStringLiteral("abc"), buffer, 8);
    EXPECT_EQ(buffer, bytes("abc\0xxxx", 8));
    Access::SaveStringToZByteBuffer(QStringLiteral("abcdefghij"), buffer, 8);
    EXPECT_EQ(buffer, bytes("abcdefg\0", 8));
    Access::SaveStringToZByteBuffer(QStringLiteral("abcdef"), buffer, 4);
    EXPECT_EQ(buffer, bytes("abc\0efg\0", 8));
}

TEST(ZByteArrays, SavingIntoABufferNeverSplitsACharacter)
{
    QByteArray buffer(4, 'x');
    // "аб" is four bytes; three fit, which would cut "б" in half.
    Access::SaveStringToZByteBuffer(QStringLiteral("аб"), buffer, 4);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(buffer), QStringLiteral("а"));
    EXPECT_EQ(failureNumberOf([&] { Access::SaveStringToZByteBuffer(QStringLiteral("a"), buffer, 5); }),
              KezErrorNumber::SubscriptOutOfRange);
}

TEST(ZByteArrays, LoadingStopsAtTheFirstNulAndAlwaysFindsAnEnd)
{
    QByteArray stopped = bytes("ab\0cd\0", 6);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(stopped), QStringLiteral("ab"));
    QByteArray empty = bytes("\0abc", 4);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(empty), QString());
    QByteArray unterminated = bytes("abcd", 4);
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(unterminated), QStringLiteral("abc"));
    EXPECT_EQ(unterminated, bytes("abc\0", 4));
    QByteArray cyrillic("Псалом 1.kez", -1);
    cyrillic.append('\0');
    EXPECT_EQ(Access::LoadStringFromZByteBuffer(cyrillic), QStringLiteral("Псалом 1.kez"));
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
}

TEST_F(OpenFileDialogRun, FilterEndingWithSeparatorGetsNoSecondOne)
{
    dialog.Filter = QStringLiteral("Все файлы|*|");
    dialog.RunOpenFileDialog();
    EXPECT_EQ(fake->seenFilter, QByteArray("Все файлы\0*\0\0", sizeof("Все файлы\0*\0\0") - 1));
}

TEST_F(OpenFileDialogRun, OneFileChosenWithMultipleSelectionAllowed)
{
    fake->selection = zz({QStringLiteral("/Тексты/Псалом 1.kez")});
    fake->filterIndexChosen = 2;
    dialog.InitialDir = QStringLiteral("/start");
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(dialog.FilesCount(), 1);
    EXPECT_EQ(files(), QStringList{QStringLiteral("/Тексты/Псалом 1.kez")});
    EXPECT_EQ(dialog.File, QStringLiteral("/Тексты/Псалом 1.kez"));
    EXPECT_EQ(dialog.FilterIndex, 2);
    EXPECT_EQ(dialog.InitialDir, QStringLiteral("/start"));
    EXPECT_EQ(dialog.LastErrorCode, 0u);
}

TEST_F(OpenFileDialogRun, ThreeFilesComeAsFolderThenNamesInTheDialogsOrder)
{
    fake->selection = zz({QStringLiteral("/T"), QStringLiteral("b.kez"), QStringLiteral("a \"q\".kez"),
                          QStringLiteral("c.txt")});
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(dialog.FilesCount(), 3);
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/T/b.kez"), QStringLiteral("/T/a \"q\".kez"),
                                    QStringLiteral("/T/c.txt")}));
    EXPECT_EQ(dialog.File, QStringLiteral("b.kez"));
}

TEST_F(OpenFileDialogRun, RootFolderWithItsSeparatorGetsNoSecondOne)
{
    fake->selection = zz({QStringLiteral("/"), QStringLiteral("a.kez"), QStringLiteral("b.kez")});
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/a.kez"), QStringLiteral("/b.kez")}));
}

TEST_F(OpenFileDialogRun, WithoutMultipleSelectionTheBufferIsOnePath)
{
    dialog.FlagsOfOpenSave = OpenFileFlags::Explorer | OpenFileFlags::FileMustExist;
    fake->selection = zz({QStringLiteral("/T/one.kez"), QStringLiteral("ignored")});
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(files(), QStringList{QStringLiteral("/T/one.kez")});
    EXPECT_EQ(dialog.File, QStringLiteral("/T/one.kez"));
}

TEST_F(OpenFileDialogRun, CancelKeepsThePreviousResults)
{
    fake->selection = zz({QStringLiteral("/T"), QStringLiteral("a.kez"), QStringLiteral("b.kez")});
    fake->filterIndexChosen = 2;
    ASSERT_TRUE(dialog.RunOpenFileDialog());

    fake->selection.clear();
    dialog.LastErrorCode = 99;
    EXPECT_FALSE(dialog.RunOpenFileDialog());
    EXPECT_EQ(dialog.LastErrorCode, 0u);
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/T/a.kez"), QStringLiteral("/T/b.kez")}));
    EXPECT_EQ(dialog.File, QStringLiteral("a.kez"));
    EXPECT_EQ(dialog.FilterIndex, 2);
}

TEST_F(OpenFileDialogRun, FailureGivesTheExtendedErrorAndKeepsTheResults)
{
    fake->selection = zz({QStringLiteral("/T/a.kez")});
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    fake->failWith = 0x3002;
    EXPECT_FALSE(dialog.RunOpenFileDialog());
    EXPECT_EQ(dialog.LastErrorCode, 0x3002u);
    EXPECT_EQ(files(), QStringList{QStringLiteral("/T/a.kez")});
}

TEST_F(OpenFileDialogRun, FilesOutsideTheRangeIsASubscriptFailure)
{
    EXPECT_EQ(dialog.FilesCount(), 0);
    EXPECT_EQ(failureNumberOf([&] { (void)dialog.Files(0); }), KezErrorNumber::SubscriptOutOfRange);
    fake->selection = zz({QStringLiteral("/T"), QStringLiteral("a.kez"), QStringLiteral("b.kez")});
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(failureNumberOf([&] { (void)dialog.Files(2); }), KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumberOf([&] { (void)dialog.Files(-1); }), KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(dialog.Files(1), QStringLiteral("/T/b.kez"));
}

TEST_F(OpenFileDialogRun, SelectionLargerThanTheBufferArrivesWhole)
{
    QStringList strings{QStringLiteral("/Очень длинная папка")};
    for (int i = 0; i < 2000; ++i)
        strings.append(QStringLiteral("Псалом номер %1.kez").arg(i, 4, 10, QLatin1Char('0')));
    fake->selection = zz(strings);
    ASSERT_GT(fake->selection.size(), FileOpenSaveDialog::kFileBufferSize);

    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(fake->shown, 1); // the user is not asked twice
    EXPECT_EQ(fake->refetched, 1);
    ASSERT_EQ(dialog.FilesCount(), 2000);
    EXPECT_EQ(dialog.Files(0), QStringLiteral("/Очень длинная папка/Псалом номер 0000.kez"));
    EXPECT_EQ(dialog.Files(1999), QStringLiteral("/Очень длинная папка/Псалом номер 1999.kez"));
}

TEST_F(OpenFileDialogRun, DialogThatNeverFitsFailsWithItsCodeInsteadOfLooping)
{
    fake->selection = zz({QStringLiteral("/T/a.kez")});
    fake->alwaysTooSmall = true;
    EXPECT_FALSE(dialog.RunOpenFileDialog());
    EXPECT_EQ(dialog.LastErrorCode, kFnErrBufferTooSmall);
    EXPECT_LE(fake->refetched, 4);
    EXPECT_EQ(dialog.FilesCount(), 0);
}

TEST(QtDialogFormats, FilterPairsBecomeQtNameFilters)
{
    const QByteArray filter = QStringLiteral("Файлы KEZ (*.kez)\0*.kez\0Все файлы (*.*)\0*.*\0Тексты\0*.txt;*.kez\0\0").toUtf8();
    EXPECT_EQ(QtOpenFileFormats::NameFilters(filter.constData()),
              (QStringList{QStringLiteral("Файлы KEZ (*.kez) (*.kez)"), QStringLiteral("Все файлы (*.*) (*)"),
                           QStringLiteral("Тексты (*.txt *.kez)")}));
    EXPECT_TRUE(QtOpenFileFormats::NameFilters(QByteArray("\0\0", 2).constData()).isEmpty());
    // A display text without its pattern is no filter.
    EXPECT_TRUE(QtOpenFileFormats::NameFilters(QByteArray("Alone\0\0", 7).constData()).isEmpty());
}

TEST(QtDialogFormats, SelectionIsWrittenAsThePlatformWritesIt)
{
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/T/a.kez")}, false), QByteArray("/T/a.kez\0\0", 10));
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/T/a.kez")}, true), QByteArray("/T/a.kez\0\0", 10));
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/T/b.kez"), QStringLiteral("/T/a.kez")}, true),
              QByteArray("/T\0b.kez\0a.kez\0\0", 16));
    EXPECT_EQ(QtOpenFileFormats::SelectionBuffer({QStringLiteral("/a.kez"), QStringLiteral("/b.kez")}, true),
              QByteArray("/\0a.kez\0b.kez\0\0", 15));
}

TEST_F(OpenFileDialogRun, FilesFromDifferentFoldersAllArriveWithTheirFolders)
{
    fake->selection = QtOpenFileFormats::SelectionBuffer(
        {QStringLiteral("/T/a.kez"), QStringLiteral("/U/Тексты \"б\"/b.kez")}, true);
    ASSERT_TRUE(dialog.RunOpenFileDialog());
    EXPECT_EQ(files(), (QStringList{QStringLiteral("/T/a.kez"), QStringLiteral("/U/Тексты \"б\"/b.kez")}));
}
