#include "core/common/ScopedOverride.h"
#include "gui/fs/mFolderSelectDialog.h"

#include <gtest/gtest.h>

using namespace mFolderSelectDialog;

namespace {

class FolderBrowserRun : public ::testing::Test {
protected:
    BrowseRequest seen;
    int shown = 0;
    std::optional<QString> answer;
    const ScopedOverride<FolderBrowser> installed{folderBrowser(), [this](const BrowseRequest& aRequest) {
        ++shown;
        seen = aRequest;
        return answer;
    }};
};

} // namespace

TEST(TextBeforeDelimiterRule, CutsAtTheFirstDelimiterOnly)
{
    EXPECT_EQ(TextBeforeDelimiter(QStringLiteral("ab--cd--"), QStringLiteral("--")), QStringLiteral("ab"));
    EXPECT_EQ(TextBeforeDelimiter(QStringLiteral("abc"), QStringLiteral(";")), QStringLiteral("abc"));
    EXPECT_EQ(TextBeforeDelimiter(QStringLiteral(";abc"), QStringLiteral(";")), QString());
}

TEST_F(FolderBrowserRun, OpensAtTheFolderWithItsTitleAndGivesBackThePathUpToItsNul)
{
    QString folder = QStringLiteral("/home/u/Выход");
    answer = QStringLiteral("/data/Тексты \"в\"") + QChar(0) + QStringLiteral("rubbish");
    EXPECT_TRUE(RunSHBrowseForFolder(folder, nullptr, QStringLiteral("Папка для отконвертированных файлов"), 64));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(seen.lpszTitle, QStringLiteral("Папка для отконвертированных файлов"));
    EXPECT_EQ(seen.ulFlags, 65u);
    EXPECT_EQ(seen.initialSelection, QStringLiteral("/home/u/Выход"));
    EXPECT_EQ(folder, QStringLiteral("/data/Тексты \"в\""));
}

TEST_F(FolderBrowserRun, CancelOrAnItemWithoutAPathLeavesTheFolderUnchanged)
{
    QString folder = QStringLiteral("/keep");
    for (const std::optional<QString>& given : {std::optional<QString>(), std::optional<QString>(QString())}) {
        answer = given;
        EXPECT_FALSE(RunSHBrowseForFolder(folder, nullptr, QString(), 64));
        EXPECT_EQ(folder, QStringLiteral("/keep"));
    }
}
