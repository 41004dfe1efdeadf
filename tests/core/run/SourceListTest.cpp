// The source list without a window: its files and the lines a view is told to show, in step.
#include "core/run/SourceList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// A list box that only does what it is told, and checks that it is told sensible things.
struct FakeView {
    QStringList lines;
    bool help = false;
    int replaced = 0;
    int bulkAppends = 0;

    SourceList::View view()
    {
        SourceList::View view;
        view.showOnly = [this](const QStringList& aLines, bool aHelp) {
            lines = aLines;
            help = aHelp;
            ++replaced;
        };
        view.append = [this](const QString& aLine) { lines.append(aLine); };
        view.appendAll = [this](const QStringList& aLines) {
            lines.append(aLines);
            ++bulkAppends;
        };
        view.remove = [this](qsizetype aLine) {
            ASSERT_TRUE(aLine >= 0 && aLine < lines.size()) << aLine;
            lines.removeAt(aLine);
        };
        return view;
    }
};

QStringList filesOf(const SourceList& aList)
{
    QStringList files;
    for (const QString& file : aList.Files())
        files.append(file);
    return files;
}

class SourceListTest : public ::testing::Test {
protected:
    explicit SourceListTest(Qt::CaseSensitivity aCase = Qt::CaseSensitive) : sources(aCase, shown.view())
    {
        sources.StartEmpty();
    }

    void add(const QStringList& aFiles)
    {
        for (const QString& file : aFiles)
            sources.Add(file);
    }
    // The view shows exactly the files, oldest first, and the list knows it.
    void expectInStep(const QStringList& aFiles)
    {
        EXPECT_EQ(filesOf(sources), aFiles);
        EXPECT_EQ(shown.lines, aFiles);
        EXPECT_EQ(sources.Lines(), aFiles);
        EXPECT_FALSE(shown.help);
    }

    FakeView shown;
    SourceList sources;
};

QStringList numbered(int aCount)
{
    QStringList files;
    for (int i = 0; i < aCount; ++i)
        files.append(QStringLiteral("/t/f%1.kez").arg(i, 3, 10, QLatin1Char('0')));
    return files;
}

} // namespace

TEST(SourceListRuleTest, DuplicatesAreRefusedByTheFileSystemsRuleAndTheFirstSpellingStays)
{
    const QStringList given = {"/T/a.kez", "/t/A.KEZ", "/Тексты/Б.kez", "/Тексты/Б.kez", "/тексты/б.KEZ",
                               "/t/\u0130.kez", "/t/i\u0307.kez"};
    const struct {
        Qt::CaseSensitivity rule;
        QStringList kept;
    } cases[] = {
        {Qt::CaseSensitive, {"/T/a.kez", "/t/A.KEZ", "/Тексты/Б.kez", "/тексты/б.KEZ", "/t/\u0130.kez", "/t/i\u0307.kez"}},
        // Folding, not lower-casing: a dotted capital I and an i with a combining dot stay two.
        {Qt::CaseInsensitive, {"/T/a.kez", "/Тексты/Б.kez", "/t/\u0130.kez", "/t/i\u0307.kez"}},
    };
    for (const auto& c : cases) {
        FakeView shown;
        SourceList sources(c.rule, shown.view());
        sources.StartEmpty();
        QStringList accepted;
        for (const QString& file : given)
            if (sources.Add(file))
                accepted.append(file);
        EXPECT_EQ(accepted, c.kept) << c.rule;
        EXPECT_EQ(filesOf(sources), c.kept) << c.rule;
        EXPECT_EQ(shown.lines, c.kept) << c.rule;
        for (const QString& file : given)
            EXPECT_TRUE(sources.Contains(file)) << c.rule;
        EXPECT_EQ(sources.Contains(QStringLiteral("/T/A.kez")), c.rule == Qt::CaseInsensitive);
        EXPECT_EQ(sources.LineOf(QStringLiteral("/ТЕКСТЫ/б.kez")), c.rule == Qt::CaseInsensitive ? 1 : -1);
    }
}

TEST_F(SourceListTest, HelpLinesShowUntilTheFirstFileAndNeverReturn)
{
    EXPECT_EQ(shown.lines, SourceList::HelpLines());
    EXPECT_TRUE(shown.help);
    EXPECT_EQ(SourceList::HelpLines().size(), 5);
    // Help lines are no files: a removal ignores them and a search finds the first of two alike.
    EXPECT_FALSE(sources.Remove(SourceList::HelpLines().at(1)));
    EXPECT_EQ(sources.LineOf(QString()), 0);
    EXPECT_EQ(sources.LineOf(SourceList::HelpLines().at(4)), 4);
    sources.RemoveAll();
    EXPECT_EQ(shown.lines, SourceList::HelpLines());

    EXPECT_TRUE(sources.Add(QStringLiteral("/a.kez")));
    expectInStep({"/a.kez"});
    sources.RemoveAll();
    expectInStep({});
    EXPECT_TRUE(sources.Add(QStringLiteral("/b.kez")));
    expectInStep({"/b.kez"});
}

TEST_F(SourceListTest, FilesKeepTheOrderOfAddingAndADuplicateChangesNothing)
{
    add({"/c.kez", "/a.kez", "/b.kez"});
    const int replaced = shown.replaced;
    EXPECT_FALSE(sources.Add(QStringLiteral("/a.kez")));
    EXPECT_EQ(shown.replaced, replaced);
    expectInStep({"/c.kez", "/a.kez", "/b.kez"});
    EXPECT_EQ(sources.Files().First(), QStringLiteral("/c.kez"));
    EXPECT_EQ(sources.LineOf(QStringLiteral("/b.kez")), 2);
    EXPECT_EQ(sources.LineOf(QStringLiteral("/d.kez")), -1);
}

TEST_F(SourceListTest, RemovalInAnyOrderKeepsTheLinesAndTheFilesInStep)
{
    const QStringList all = numbered(60);
    std::vector<int> order(all.size());
    for (int i = 0; i < int(order.size()); ++i)
        order[i] = i;
    std::vector<std::vector<int>> orders = {order, order, order};
    std::reverse(orders[1].begin(), orders[1].end());
    std::shuffle(orders[2].begin(), orders[2].end(), std::mt19937(17));
    for (const auto& removal : orders) {
        sources.RemoveAll();
        add(all);
        QStringList left = all;
        for (const int index : removal) {
            const QString file = all.at(index);
            EXPECT_EQ(sources.LineOf(file), left.indexOf(file));
            EXPECT_TRUE(sources.Remove(file));
            EXPECT_FALSE(sources.Remove(file));
            left.removeOne(file);
            ASSERT_EQ(shown.lines, left);
            ASSERT_EQ(filesOf(sources), left);
            // Every line is still found where it is, wherever the last removal was.
            for (qsizetype i = 0; i < left.size(); i += 7)
                ASSERT_EQ(sources.LineOf(left.at(i)), i);
        }
    }
}

TEST_F(SourceListTest, FilesAddedAfterRemovalsJoinAtTheEnd)
{
    add(numbered(5));
    sources.Remove(QStringLiteral("/t/f003.kez"));
    sources.Remove(QStringLiteral("/t/f000.kez"));
    add({"/t/f000.kez", "/new.kez"});
    expectInStep({"/t/f001.kez", "/t/f002.kez", "/t/f004.kez", "/t/f000.kez", "/new.kez"});
    EXPECT_EQ(sources.LineOf(QStringLiteral("/new.kez")), 4);
}

TEST_F(SourceListTest, HelpShownOverWaitingFilesHidesTheirLinesButKeepsThem)
{
    add({"/a.kez", "/b.kez"});
    sources.ShowHelp(true);
    EXPECT_EQ(shown.lines, SourceList::HelpLines());
    EXPECT_EQ(filesOf(sources), (QStringList{"/a.kez", "/b.kez"}));
    EXPECT_EQ(sources.LineOf(QStringLiteral("/a.kez")), -1);
    EXPECT_TRUE(sources.Remove(QStringLiteral("/a.kez")));
    EXPECT_EQ(shown.lines, SourceList::HelpLines());
    // Clearing goes by the lines shown: a file without a line stays.
    sources.RemoveAll();
    EXPECT_EQ(filesOf(sources), QStringList{"/b.kez"});
    EXPECT_EQ(shown.lines, SourceList::HelpLines());
}

TEST_F(SourceListTest, RemovingSelectedLinesReselectsOnlyAfterASingleOne)
{
    const QStringList abcd = {"/a.kez", "/b.kez", "/c.kez", "/d.kez"};
    const struct {
        QList<qint32> selected;
        QStringList left;
        qint32 reselect;
    } cases[] = {
        {{1}, {"/a.kez", "/c.kez", "/d.kez"}, 1}, // the line that took its place
        {{3}, {"/a.kez", "/b.kez", "/c.kez"}, 2}, // the new last line
        {{0, 2}, {"/b.kez", "/d.kez"}, -1},       // several: none
        {{0, 1, 2, 3}, {}, -1},
        {{}, abcd, -1},
        {{7}, abcd, -1},                          // no such line
    };
    for (const auto& c : cases) {
        sources.RemoveAll();
        add(abcd);
        EXPECT_EQ(sources.RemoveLines(c.selected), c.reselect);
        expectInStep(c.left);
    }
    // The only file gone: nothing left to select.
    sources.RemoveAll();
    add({"/a.kez"});
    EXPECT_EQ(sources.RemoveLines({0}), -1);
    expectInStep({});
}

TEST_F(SourceListTest, SelectedHelpLinesAreNoFilesAndASingleOneStaysSelected)
{
    EXPECT_EQ(sources.RemoveLines({2}), 2);
    EXPECT_EQ(sources.RemoveLines({0, 3}), -1);
    EXPECT_EQ(shown.lines, SourceList::HelpLines());
    EXPECT_TRUE(sources.Files().IsEmpty());
}

// The file system folds letter case: one case-insensitive list.
class CaseFoldingSourceListTest : public SourceListTest {
protected:
    CaseFoldingSourceListTest() : SourceListTest(Qt::CaseInsensitive) {}
};

TEST_F(CaseFoldingSourceListTest, ANameInOtherLetterCaseRemovesTheFileAndItsLine)
{
    add({"/Texts/A.kez", "/texts/b.kez", "/Тексты/В.kez"});
    EXPECT_EQ(sources.LineOf(QStringLiteral("/ТЕКСТЫ/в.KEZ")), 2);
    EXPECT_TRUE(sources.Remove(QStringLiteral("/TEXTS/a.KEZ")));
    EXPECT_TRUE(sources.Remove(QStringLiteral("/тексты/в.kez")));
    expectInStep({"/texts/b.kez"});
}

// A drop or a folder hands over many files at once: the same rule as one at a time, one step
// for the view.
TEST_F(SourceListTest, ManyFilesAtOnceKeepTheRulesOfOneAtATime)
{
    EXPECT_EQ(sources.AddAll({}), 0);
    EXPECT_TRUE(shown.help) << "nothing added: the help lines stay";
    EXPECT_EQ(shown.bulkAppends, 0);

    EXPECT_EQ(sources.AddAll({"/t/b.kez", "/t/a.kez", "/t/b.kez"}), 2);
    expectInStep({"/t/b.kez", "/t/a.kez"});
    EXPECT_EQ(shown.bulkAppends, 1);

    EXPECT_EQ(sources.AddAll({"/t/a.kez", "/t/c.kez"}), 1) << "a file already waiting is not added again";
    expectInStep({"/t/b.kez", "/t/a.kez", "/t/c.kez"});
    EXPECT_EQ(shown.bulkAppends, 2);

    EXPECT_EQ(sources.AddAll({"/t/a.kez"}), 0);
    EXPECT_EQ(shown.bulkAppends, 2) << "nothing new: the view is not told";

    sources.Remove("/t/a.kez");
    sources.Add("/t/d.kez");
    expectInStep({"/t/b.kez", "/t/c.kez", "/t/d.kez"});
}
