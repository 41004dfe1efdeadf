#include "core/common/ScopedOverride.h"
#include "core/errors/ErrorReportText.h"
#include "core/errors/mErrorHandling.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace mErrorHandling;

namespace {

struct Report {
    QString message;
    QString source;
    qint32 code;
};

class FailureTrail : public ::testing::Test {
protected:
    void SetUp() override { SetProgramName(QStringLiteral("Prog")); }
    void TearDown() override { SetProgramName({}); }
    std::vector<Report> reports;
    const ScopedOverride<Presenter> recording{
        presenter(), [this](const QString& m, const QString& s, qint32 c) { reports.push_back({m, s, c}); }};
};

void ProcedureC() { PassOn("mDeep", "ProcedureC", [] { RaiseError(5, QStringLiteral("Неверный аргумент"), 12); }); }
void ProcedureB() { PassOn("TMiddle", "ProcedureB", [] { ProcedureC(); }); }
void ProcedureA() { TopLevel("TopForm", "ProcedureA", [] { ProcedureB(); }); }

} // namespace

TEST_F(FailureTrail, ThreeLevelsDeepGiveFourLinesOutermostFirstWithFirstSourceBracketedLast)
{
    ProcedureA();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].source, QStringLiteral("[Prog::TopForm.ProcedureA]\r\n"
                                                "[Prog::TMiddle.ProcedureB]\r\n"
                                                "[Prog::mDeep.ProcedureC:12]\r\n"
                                                "[Prog]"));
    EXPECT_EQ(reports[0].message, QStringLiteral("Неверный аргумент"));
    EXPECT_EQ(reports[0].code, 5);
}

TEST_F(FailureTrail, StandardFailuresAreReportedWithClassicNumbersAndTheProgramGoesOn)
{
    EXPECT_EQ(PassOn("M", "P", [] { return 42; }), 42);
    EXPECT_EQ(TopLevel("M", "P", []() -> int { throw std::runtime_error("boom"); }), 0);
    TopLevel("M", "P", [] { throw std::out_of_range("index"); });
    TopLevel("M", "P", [] { throw std::overflow_error("count"); });
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].code, KezErrorNumber::Internal);
    EXPECT_TRUE(reports[0].message.contains(QStringLiteral("boom")));
    EXPECT_EQ(reports[1].code, 9);
    EXPECT_EQ(reports[2].code, 6);
}

TEST_F(FailureTrail, EntriesLeaveOutWhatIsMissingAndOverridesCombineWithTheFailure)
{
    EXPECT_EQ(TrailEntry(QString(), QStringLiteral("X"), 0), QStringLiteral("Prog::?"));
    EXPECT_EQ(TrailEntry(QStringLiteral("M"), QString(), 0), QStringLiteral("Prog::M"));
    EXPECT_EQ(TrailEntry(QStringLiteral("M"), QStringLiteral("P"), 7), QStringLiteral("Prog::M.P:7"));

    const KezError report = BuildReport(QStringLiteral("M"), QStringLiteral("P"),
                                        KezError(3, QStringLiteral("inner"), QStringLiteral("[Prog::X.Y]")), 17,
                                        QStringLiteral("here"), QStringLiteral("outer"), QStringLiteral("more"));
    EXPECT_EQ(report.number(), 17);
    EXPECT_EQ(report.source(), QStringLiteral("[here]\r\n[Prog::X.Y]"));
    EXPECT_EQ(report.description(), QStringLiteral("outer\r\ninner") + QChar(1) + QStringLiteral("more"));

    const KezError plain = BuildReport(QStringLiteral("M"), QStringLiteral("P"), KezError(4, QString(), QString()), 0,
                                       {}, QStringLiteral("only"), {});
    EXPECT_EQ(plain.number(), 4);
    EXPECT_EQ(plain.source(), QStringLiteral("[Prog::M.P]"));
    EXPECT_EQ(plain.description(), QStringLiteral("only"));
}

TEST(ErrorReportText, NegativeCodesShowAsTwosComplementInUpperCaseHex)
{
    EXPECT_EQ(ErrorReportText::ErrorCodeLine(255), QStringLiteral("Код ошибки: 255 (0xFF)"));
    EXPECT_EQ(ErrorReportText::ErrorCodeLine(-2147221504), QStringLiteral("Код ошибки: -2147221504 (0x80040000)"));
    EXPECT_EQ(ErrorReportText::ErrorCodeLine(-1), QStringLiteral("Код ошибки: -1 (0xFFFFFFFF)"));
}
