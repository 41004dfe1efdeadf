// The real program, asked to end from outside, closes as its close button does: settings saved.
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <signal.h>
#include <thread>

namespace {

// The signals the process catches, from its status in /proc.
quint64 caughtSignals(qint64 aPid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(aPid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16);
    return 0;
}

bool catches(qint64 aPid, int aSignal) { return caughtSignals(aPid) & (quint64(1) << (aSignal - 1)); }

} // namespace

TEST(EndRequest, TermHangUpAndInterruptCloseTheProgramNormallyAndSaveItsSettings)
{
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        TestEnvironment environment;
        QProcess program;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(variables);
        program.start(QStringLiteral(KEZ_BIN_DIR "/KezConverter"), {});
        ASSERT_TRUE(program.waitForStarted()) << signal;

        // Until the program listens, the signal would simply end it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!catches(program.processId(), signal) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(catches(program.processId(), signal)) << signal;
        EXPECT_FALSE(QFile::exists(environment.registryFile())) << "nothing saved before the close";

        ASSERT_EQ(::kill(pid_t(program.processId()), signal), 0);
        ASSERT_TRUE(program.waitForFinished(30000)) << signal;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(program.exitCode(), 0) << signal;
        QFile saved(environment.registryFile());
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << signal;
        EXPECT_TRUE(QString::fromUtf8(saved.readAll())
                        .contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv\\Browser]")))
            << signal;
    }
}
