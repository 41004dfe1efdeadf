// The real program, as a process of its own, ends within seconds whatever it is doing when it is
// closed or asked to end: in the middle of a converter that never ends, while another instance
// has the turn on the hand-over, with any kind of modal dialog open. It saves its window's
// settings as a close does and leaves no converter behind.
#include "support/SourceFile.h"
#include "support/TestEnvironment.h"
#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <signal.h>

namespace {

constexpr int kEndWithinMs = 5000;

QByteArray readAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One started program and what it has reported so far.
class Program {
public:
    explicit Program(const QProcessEnvironment& aEnvironment)
    {
        mProcess.setProcessEnvironment(aEnvironment);
        mProcess.start(QStringLiteral(KEZ_TEST_BIN_DIR "/kez_program_probe"), {});
    }
    ~Program()
    {
        if (mProcess.state() != QProcess::NotRunning) {
            mProcess.kill();
            mProcess.waitForFinished(5000);
        }
    }

    void send(const QString& aLine)
    {
        mProcess.write((aLine + QLatin1Char('\n')).toUtf8());
        mProcess.waitForBytesWritten(5000);
    }

    // Waits at most aMs for a report line that starts with aStart, past those already waited for.
    bool waitFor(const QString& aStart, int aMs = 30000)
    {
        const QDeadlineTimer deadline(aMs);
        while (true) {
            while (mProcess.canReadLine()) {
                const QString line = QString::fromUtf8(mProcess.readLine()).trimmed();
                mSeen << line;
                if (line.startsWith(aStart)) {
                    mLast = line;
                    return true;
                }
            }
            if (deadline.hasExpired() || mProcess.state() == QProcess::NotRunning)
                return false;
            mProcess.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // Sends aSignal and waits for the end; the time it took, or -1 when it did not end in time.
    qint64 endWith(int aSignal) { return timedEnd([this, aSignal] { ::kill(pid_t(mProcess.processId()), aSignal); }); }
    qint64 close() { return timedEnd([this] { send(QStringLiteral("close")); }); }
    qint64 exitFromInside() { return timedEnd([this] { send(QStringLiteral("exit")); }); }
    // Another program's hand: aAct is run and the end waited for, as with the others.
    qint64 endBy(const std::function<void()>& aAct) { return timedEnd(aAct); }
    qint64 pid() const { return mProcess.processId(); }

    bool endedNormally() const { return mProcess.exitStatus() == QProcess::NormalExit && mProcess.exitCode() == 0; }
    QString seen() const { return mSeen.join(QLatin1Char('|')); }
    // The last line waited for.
    const QString& last() const { return mLast; }

private:
    qint64 timedEnd(const std::function<void()>& aAsk)
    {
        QElapsedTimer clock;
        clock.start();
        aAsk();
        if (!mProcess.waitForFinished(kEndWithinMs + 2000))
            return -1;
        return clock.elapsed();
    }

    QProcess mProcess;
    QStringList mSeen;
    QString mLast;
};

class ProgramEnd : public ::testing::Test {
protected:
    ProgramEnd()
    {
        fakeLog = environment.root() + QStringLiteral("/fake.log");
        variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        variables.insert(QStringLiteral("KEZ_FAKE_LOG"), fakeLog);
    }

    QString source(const QString& aName) { return WriteSourceFile(sources, aName); }

    // The process id of the hung converter, once it runs.
    qint64 hungConverter()
    {
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            for (const QByteArray& line : readAll(fakeLog).split('\n'))
                if (line.startsWith("pid "))
                    return line.mid(4).toLongLong();
            QThread::msleep(10);
        }
        return 0;
    }
    // Once the window is up, runs a file whose converter never ends; that converter's process id,
    // or 0 when it never started.
    qint64 convertHanging(Program& aProgram)
    {
        if (!aProgram.waitFor(QStringLiteral("shown"))) {
            ADD_FAILURE() << "no window: " << aProgram.seen().toStdString();
            return 0;
        }
        aProgram.send(QStringLiteral("add ") + source(QStringLiteral("a hang.kez")));
        aProgram.send(QStringLiteral("run"));
        return hungConverter();
    }
    static bool isGone(qint64 aPid) { return ::kill(pid_t(aPid), 0) != 0 && errno == ESRCH; }

    bool browserSettingsSaved() const
    {
        return readAll(environment.registryFile())
            .contains("[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv\\Browser]");
    }

    TestEnvironment environment;
    FakeConverterOnPath fake;
    QTemporaryDir sources;
    QString fakeLog;
    QProcessEnvironment variables;
};

} // namespace

// The close stops the run after the current file; a converter that does not end by itself is asked
// to end, and ended at once when it does not heed that either.
TEST_F(ProgramEnd, ClosedWhileItsConverterHangsItEndsWithinSecondsAndLeavesNoConverter)
{
    Program program(variables);
    const qint64 converter = convertHanging(program);
    ASSERT_NE(converter, 0) << "the converter never started";

    const qint64 took = program.close();
    ASSERT_GE(took, 0) << "still running " << kEndWithinMs + 2000 << " ms after the close";
    EXPECT_LT(took, kEndWithinMs);
    EXPECT_TRUE(program.endedNormally());
    EXPECT_TRUE(isGone(converter)) << "the converter was left running";
    EXPECT_TRUE(readAll(fakeLog).contains("SIGTERM")) << "the converter was not asked to end first";
    EXPECT_TRUE(browserSettingsSaved());
}

// The display lost in the middle of a run: the window system's library exits from inside the
// window's events. The hung converter is asked to end, then ended, not left running on its own.
TEST_F(ProgramEnd, ExitingFromInsideItsEventsWhileItsConverterHangsLeavesNoConverter)
{
    Program program(variables);
    const qint64 converter = convertHanging(program);
    ASSERT_NE(converter, 0) << "the converter never started";

    ASSERT_GE(program.exitFromInside(), 0) << "still running " << kEndWithinMs + 2000 << " ms after its exit";
    EXPECT_TRUE(isGone(converter)) << "the converter was left running";
    EXPECT_TRUE(readAll(fakeLog).contains("SIGTERM")) << "the converter was not asked to end first";
}

// On a real display with a window manager: the window destroyed by another program (xdotool
// windowclose), and the display lost under it (the X server killed). Each ends the program as a
// close does: the window's settings saved, the hung converter ended, nothing left running.
TEST_F(ProgramEnd, AWindowDestroyedByAnotherProgramOrADisplayLostEndsItAsACloseDoes)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed (scripts/install-deps.sh)";
    for (const bool destroyWindow : {true, false}) {
        SCOPED_TRACE(destroyWindow ? "window destroyed" : "display lost");
        QFile::remove(environment.registryFile());
        QFile::remove(fakeLog);
        VirtualDisplay display;
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb and openbox are needed (scripts/install-deps.sh)";
        Program program(display.environment(variables));
        const qint64 converter = convertHanging(program);
        ASSERT_NE(converter, 0) << "the converter never started";
        const auto act = [&] {
            if (!destroyWindow) {
                display.kill();
                return;
            }
            // The window the program says it shows.
            QString window;
            for (const QString& line : program.seen().split(QLatin1Char('|')))
                if (line.startsWith(QLatin1String("shown ")))
                    window = line.section(QLatin1Char(' '), 1);
            EXPECT_FALSE(window.isEmpty()) << program.seen().toStdString();
            QProcess tool;
            tool.setProcessEnvironment(display.environment(QProcessEnvironment::systemEnvironment()));
            tool.start(xdotool, {QStringLiteral("windowclose"), window});
            tool.waitForFinished(10000);
        };
        ASSERT_GE(program.endBy(act), 0) << "still running " << kEndWithinMs + 2000 << " ms after";
        EXPECT_TRUE(browserSettingsSaved());
        EXPECT_TRUE(isGone(converter)) << "the converter was left running";
    }
}

// The palette pop-up on a real display, by keyboard alone: the arrows move its frame, Enter picks
// the framed colour, Esc leaves it as the cross does.
TEST_F(ProgramEnd, ThePalettePopupIsDrivenByTheKeyboardAloneOnARealDisplay)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is needed (scripts/install-deps.sh)";
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb and openbox are needed (scripts/install-deps.sh)";
    Program program(display.environment(variables));
    ASSERT_TRUE(program.waitFor(QStringLiteral("shown"))) << program.seen().toStdString();
    program.send(QStringLiteral("options"));
    ASSERT_TRUE(program.waitFor(QStringLiteral("modal KezOptionsFrm"))) << program.seen().toStdString();
    const auto keys = [&](const QStringList& aKeys) {
        QProcess tool;
        tool.setProcessEnvironment(display.environment(QProcessEnvironment::systemEnvironment()));
        tool.start(xdotool, QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} + aKeys);
        tool.waitForFinished(10000);
    };
    const auto openPalette = [&] {
        program.send(QStringLiteral("back"));
        const bool opened = program.waitFor(QStringLiteral("modal LuColorSelectorFrm"));
        QThread::msleep(300); // mapped and given the keyboard by the window manager
        return opened;
    };
    // Esc: nothing chosen, the colour stays what it was.
    ASSERT_TRUE(openPalette()) << program.seen().toStdString();
    keys({QStringLiteral("Left"), QStringLiteral("Escape")});
    ASSERT_TRUE(program.waitFor(QStringLiteral("back "), 10000)) << "Esc did not close the palette: " << program.seen().toStdString();
    const int before = program.last().section(QLatin1Char(' '), 1).toInt();
    // The frame starts on the chosen colour ("(Auto)" before the first cell): Right, Down, Enter.
    ASSERT_TRUE(openPalette()) << program.seen().toStdString();
    keys({QStringLiteral("Right"), QStringLiteral("Down"), QStringLiteral("Return")});
    ASSERT_TRUE(program.waitFor(QStringLiteral("back "), 10000)) << "Enter did not pick: " << program.seen().toStdString();
    const int right = std::min(before + 1, 16);
    EXPECT_EQ(program.last(), QStringLiteral("back %1").arg(right + 4 <= 16 ? right + 4 : right)) << before;
}

// While one instance converts, another waits for its turn with its events flowing: it paints, says
// in its caption that it waits, and a close ends it at once without its file being begun.
TEST_F(ProgramEnd, ASecondProgramWaitingForItsTurnPaintsSaysSoAndTakesAClose)
{
    Program first(variables);
    ASSERT_TRUE(first.waitFor(QStringLiteral("shown")));
    first.send(QStringLiteral("add ") + source(QStringLiteral("a hang.kez")));
    first.send(QStringLiteral("run"));
    ASSERT_NE(hungConverter(), 0);

    Program second(variables);
    ASSERT_TRUE(second.waitFor(QStringLiteral("shown")));
    const QString waiting = source(QStringLiteral("b.kez"));
    second.send(QStringLiteral("add ") + waiting);
    second.send(QStringLiteral("run"));
    ASSERT_TRUE(second.waitFor(QStringLiteral("title Ожидание очереди"), 10000)) << second.seen().toStdString();
    EXPECT_TRUE(second.waitFor(QStringLiteral("painted"), 5000));
    EXPECT_TRUE(second.waitFor(QStringLiteral("painted"), 5000)) << "its window no longer paints";

    const qint64 took = second.close();
    ASSERT_GE(took, 0);
    EXPECT_LT(took, 2000) << "waiting for a turn needs no grace";
    EXPECT_TRUE(second.endedNormally());
    EXPECT_TRUE(browserSettingsSaved());
    EXPECT_FALSE(readAll(fakeLog).contains(waiting.toUtf8())) << "its file was begun";

    EXPECT_GE(first.close(), 0);
}

// A logout (SIGTERM) closes whatever dialog is open as its "Отмена" does, then the window.
TEST_F(ProgramEnd, AnEndRequestClosesAnyModalDialogAsCancelAndEndsTheProgram)
{
    const struct {
        const char* name;
        QStringList commands;
        const char* modal;
    } cases[] = {
        {"options", {QStringLiteral("options")}, "KezOptionsFrm"},
        {"font", {QStringLiteral("options"), QStringLiteral("font")}, "LuFontSelectorFrm"},
        {"open file", {QStringLiteral("addfiles")}, "QFileDialog"},
        {"folder", {QStringLiteral("folder")}, "QFileDialog"},
        {"question", {QStringLiteral("run"), QStringLiteral("run"), QStringLiteral("run")}, "QMessageBox"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(environment.registryFile());
        Program program(variables);
        ASSERT_TRUE(program.waitFor(QStringLiteral("shown")));
        if (QLatin1String(c.name) == QLatin1String("question")) {
            QFile::remove(fakeLog);
            program.send(QStringLiteral("add ") + source(QStringLiteral("q hang.kez")));
            program.send(c.commands[0]);
            ASSERT_NE(hungConverter(), 0);
            program.send(c.commands[1]);
            program.send(c.commands[2]);
        } else {
            for (const QString& command : c.commands) {
                program.send(command);
                ASSERT_TRUE(program.waitFor(QStringLiteral("modal "))) << program.seen().toStdString();
            }
        }
        if (!program.last().startsWith(QStringLiteral("modal ") + QLatin1String(c.modal))) {
            ASSERT_TRUE(program.waitFor(QStringLiteral("modal ") + QLatin1String(c.modal))) << program.seen().toStdString();
        }

        const qint64 took = program.endWith(SIGTERM);
        ASSERT_GE(took, 0) << "still running after the request";
        EXPECT_LT(took, kEndWithinMs);
        EXPECT_TRUE(program.endedNormally());
        EXPECT_TRUE(browserSettingsSaved());
        EXPECT_FALSE(readAll(environment.registryFile()).contains("\"SourceEncoding\"")) << "the options were saved";
    }
}

// Without its converter the program only says so; a logout meanwhile ends it, saving nothing.
TEST_F(ProgramEnd, AnEndRequestClosesTheMissingConverterMessage)
{
    variables.insert(QStringLiteral("PATH"), environment.root());
    Program program(variables);
    ASSERT_TRUE(program.waitFor(QStringLiteral("modal QMessageBox"))) << program.seen().toStdString();
    const qint64 took = program.endWith(SIGTERM);
    ASSERT_GE(took, 0);
    EXPECT_LT(took, kEndWithinMs);
    EXPECT_TRUE(program.endedNormally());
    EXPECT_FALSE(QFile::exists(environment.registryFile()));
}
