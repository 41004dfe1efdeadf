// kezconv, the console converter, driven as a user drives it: the real binary, its output and its
// exit status. Beside the scripted fake converter (its copy in the fake's folder finds that one
// first), or beside the bundled converter where the results themselves matter.
#include "platform/HandOverLock.h"
#include "platform/Services.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <signal.h>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kWithFake = QStringLiteral(KEZ_FAKE_BIN_DIR "/kezconv");
const QString kWithBundled = QStringLiteral(KEZ_BIN_DIR "/kezconv");

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// No display of any kind: kezconv must not need one.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        variables.remove(QString::fromLatin1(name));
    return variables;
}

void start(QProcess& aProcess, const QString& aProgram, const QStringList& aArguments)
{
    aProcess.setProcessEnvironment(withoutDisplay());
    aProcess.start(aProgram, aArguments);
}

Outcome finish(QProcess& aProcess)
{
    Outcome outcome;
    EXPECT_TRUE(aProcess.waitForFinished(30000));
    EXPECT_EQ(aProcess.exitStatus(), QProcess::NormalExit);
    outcome.exitCode = aProcess.exitCode();
    outcome.out = aProcess.readAllStandardOutput();
    outcome.err = aProcess.readAllStandardError();
    return outcome;
}

Outcome run(const QStringList& aArguments, const QByteArray& aInput = {}, const QString& aProgram = kWithFake)
{
    QProcess process;
    start(process, aProgram, aArguments);
    process.write(aInput);
    process.closeWriteChannel();
    return finish(process);
}

QByteArray lines(std::initializer_list<QString> aLines)
{
    QByteArray text;
    for (const QString& line : aLines)
        text += line.toUtf8() + '\n';
    return text;
}

void touch(const QString& aPath)
{
    QDir().mkpath(QFileInfo(aPath).path());
    QFile file(aPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << aPath.toStdString();
}

// The lines of a fake converter's log: one per start.
QStringList fakeLog(const QString& aLog)
{
    QFile file(aLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

template <class Condition>
bool waitFor(Condition&& aCondition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!aCondition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// What a run leaves in the runtime folder and the sources' folder besides what was there.
QStringList leftIn(const QString& aFolder)
{
    QStringList entries;
    QDirIterator it(aFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(aFolder).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

class Kezconv : public ::testing::Test {
protected:
    TestEnvironment environment;
    QString root = environment.root() + QStringLiteral("/work");
};

} // namespace

TEST_F(Kezconv, ConvertsNamedFilesAndTheKezFilesOfFoldersNextToThemOrIntoOneFolderWithoutADisplay)
{
    touch(root + "/texts/a.kez");
    touch(root + "/texts/sub/b.KEZ");
    touch(root + "/texts/notes.txt");
    touch(root + "/named.txt");
    // The window holds the user's hand-over turn meanwhile: kezconv's workers have stores of their own.
    platform::HandOverLock& turn = platform::service<platform::HandOverLock>();
    ASSERT_EQ(turn.tryAcquire(), platform::HandOverLock::Attempt::Held);
    const Outcome next = run({"-j1", root + "/texts", root + "/named.txt"});
    turn.release();
    EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
    EXPECT_EQ(next.out, lines({"Успешно: " + root + "/texts/a.kez -> " + root + "/texts/a.rtf",
                               "Успешно: " + root + "/texts/sub/b.KEZ -> " + root + "/texts/sub/b.rtf",
                               "Успешно: " + root + "/named.txt -> " + root + "/named.rtf",
                               "Обработано файлов: 3, успешно: 3, с ошибками: 0"}));
    EXPECT_TRUE(QFile::exists(root + "/texts/sub/b.rtf"));

    // Relative paths are taken against the current folder; --all-files takes every file.
    for (const char* made : {"/texts/a.rtf", "/texts/sub/b.rtf"})
        ASSERT_TRUE(QFile::remove(root + made));
    QDir().mkpath(root + "/out");
    QProcess process;
    process.setWorkingDirectory(root);
    start(process, kWithFake, {"-q", "--all-files", "-o", "out", "texts"});
    const Outcome fixed = finish(process);
    EXPECT_EQ(fixed.exitCode, 0) << fixed.err.toStdString();
    EXPECT_EQ(fixed.out, QByteArray()) << "--quiet prints failures only";
    for (const char* made : {"/out/a.rtf", "/out/b.rtf", "/out/notes.rtf"})
        EXPECT_TRUE(QFile::exists(root + made)) << made;
}

TEST_F(Kezconv, AFailingFileOrOneThatWouldReplaceAnEarlierResultIsWordedAndEndsWithStatusOne)
{
    touch(root + "/one/same.kez");
    touch(root + "/two/same.kez");
    touch(root + "/bad reply-7.kez");
    QDir().mkpath(root + "/out");
    const Outcome outcome = run({"-j2", "-o", root + "/out", root + "/one/same.kez", root + "/ONE/../one/same.kez",
                                 root + "/one/same.kez", root + "/two/same.kez", root + "/bad reply-7.kez",
                                 root + "/missing.kez"});
    EXPECT_EQ(outcome.exitCode, 1);
    // Failures on the standard error, successes and the summary on the standard output.
    const QString out = QString::fromUtf8(outcome.out);
    const QString err = QString::fromUtf8(outcome.err);
    EXPECT_TRUE(err.startsWith("Не удалось добавить в список: " + root + "/missing.kez\n")) << err.toStdString();
    EXPECT_EQ(out.count(QLatin1Char('\n')), 2) << out.toStdString();
    EXPECT_TRUE(out.startsWith("Успешно: " + root + "/one/same.kez -> " + root + "/out/same.rtf\n"));
    EXPECT_TRUE(err.contains("Ошибка: " + root + "/two/same.kez -> " + root + "/out/same.rtf\n" +
                             "Файл не сконвертирован: он заменил бы файл " + root + "/out/same.rtf, уже полученный в "
                             "этой же обработке из " + root + "/one/same.kez.\n"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("Ошибка: " + root + "/bad reply-7.kez -> " + root + "/out/bad reply-7.rtf\nx\n"));
    EXPECT_TRUE(out.endsWith("Обработано файлов: 3, успешно: 1, с ошибками: 2\n")) << "the named file once";
}

TEST_F(Kezconv, TakesAListFromItsInputWithNamesOfSpacesLineEndsAndBytesThatAreNoUtf8)
{
    QDir().mkpath(root);
    const QByteArray folder = QFile::encodeName(root);
    const QList<QByteArray> names = {"with space.kez", "line\nend.kez", "latin1 \xe9t\xe9.kez"};
    // Qt cannot name what is no UTF-8: the temporary folder would stay.
    const struct RemoveByBytes {
        QByteArray folder;
        ~RemoveByBytes()
        {
            for (const char* name : {"/latin1 \xe9t\xe9.kez", "/latin1 \xe9t\xe9.rtf"})
                ::unlink((folder + name).constData());
        }
    } removeByBytes{folder};
    QByteArray list;
    for (const QByteArray& name : names) {
        const QByteArray path = folder + '/' + name;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
        list += path + '\0';
    }
    // The bundled converter: it writes to names that are no UTF-8 as they are.
    const Outcome outcome = run({"-j2", "-q", "-0", "-"}, list, kWithBundled);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString() << outcome.err.toStdString();
    for (const QByteArray& name : names) {
        const QByteArray made = folder + '/' + name.left(name.size() - 4) + ".rtf";
        EXPECT_EQ(::access(made.constData(), F_OK), 0) << made.toStdString();
    }
    // Lines from a file: the same paths, but a line end cannot be part of one.
    QFile listFile(root + "/list");
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write(folder + "/with space.kez\r\n" + folder + "/latin1 \xe9t\xe9.kez\n");
    listFile.close();
    const Outcome fromFile = run({"-j1", "--from-file", root + "/list"}, {}, kWithBundled);
    EXPECT_EQ(fromFile.exitCode, 0);
    // Printed with the bytes the name came with.
    EXPECT_TRUE(fromFile.out.contains("Успешно: " + folder + "/latin1 \xe9t\xe9.kez -> " + folder +
                                      "/latin1 \xe9t\xe9.rtf\n"))
        << fromFile.out.toStdString();
}

TEST_F(Kezconv, ManyFilesAtOnceGiveTheSameResultsByteForByteAsOneAtATime)
{
    // The bundled converter, its real work: every sample, under several names.
    const QStringList samples = QDir(QStringLiteral(KEZ_SOURCE_DIR "/samples")).entryList({"*.kez"}, QDir::Files);
    ASSERT_FALSE(samples.isEmpty());
    for (int copy = 0; copy < 3; ++copy)
        for (const QString& sample : samples) {
            QDir().mkpath(root + QStringLiteral("/src%1").arg(copy));
            ASSERT_TRUE(QFile::copy(QStringLiteral(KEZ_SOURCE_DIR "/samples/") + sample,
                                    root + QStringLiteral("/src%1/").arg(copy) + sample));
        }
    QDir().mkpath(root + "/one");
    QDir().mkpath(root + "/many");
    const QStringList sources = {root + "/src0", root + "/src1", root + "/src2"};
    const Outcome one = run(QStringList{"-j1", "-q"} + sources, {}, kWithBundled);
    // Each copy has its own folder, so -o would refuse them: results go next to the sources, copied off.
    QStringList made;
    for (const QString& source : sources)
        for (const QString& rtf : QDir(source).entryList({"*.rtf"}, QDir::Files)) {
            made.append(source + '/' + rtf);
        }
    EXPECT_EQ(one.exitCode, 0) << one.out.toStdString();
    ASSERT_EQ(made.size(), 3 * samples.size());
    QMap<QString, QByteArray> sequential;
    for (const QString& path : made) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        sequential.insert(path, file.readAll());
        file.close();
        QFile::remove(path);
    }
    const Outcome many = run(QStringList{"-j4"} + sources, {}, kWithBundled);
    EXPECT_EQ(many.exitCode, 0) << many.out.toStdString();
    for (auto it = sequential.cbegin(); it != sequential.cend(); ++it) {
        QFile file(it.key());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << it.key().toStdString();
        EXPECT_EQ(file.readAll(), it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(many.out.count("Успешно: "), made.size());
}

TEST_F(Kezconv, InterruptStopsAfterTheFilesBeingConvertedAndASecondOneEndsTheConverters)
{
    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    for (int i = 1; i <= 5; ++i)
        touch(root + QStringLiteral("/f%1 sleep300.kez").arg(i));
    const QStringList runtimeBefore = leftIn(environment.runtimeDir());
    {
        QProcess process;
        start(process, kWithFake, {"-j1", root});
        ASSERT_TRUE(waitFor([&] { return fakeLog(log).size() >= 2; }));
        ASSERT_EQ(::kill(pid_t(process.processId()), SIGINT), 0);
        const Outcome stopped = finish(process);
        EXPECT_EQ(stopped.exitCode, 130);
        EXPECT_EQ(QString::fromUtf8(stopped.out).count("Успешно: "), 2) << stopped.out.toStdString();
        EXPECT_TRUE(stopped.out.endsWith(lines({"Обработано файлов: 2, успешно: 2, с ошибками: 0",
                                                "Обработка прервана пользователем."})))
            << stopped.out.toStdString();
        EXPECT_EQ(fakeLog(log).size(), 2) << "no file begun after the stop";
    }
    EXPECT_EQ(leftIn(environment.runtimeDir()), runtimeBefore) << "the workers' private folders are gone";

    // A converter that never ends by itself: the second interrupt ends it.
    QFile::remove(log);
    touch(root + "/g hang.kez");
    QProcess process;
    start(process, kWithFake, {"-j2", root + "/g hang.kez", root + "/f1 sleep300.kez"});
    ASSERT_TRUE(waitFor([&] { return fakeLog(log).join('\n').contains("pid "); }));
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGINT), 0);
    // Only once the first has been heeded (the other file's result is in): two at once count as one.
    ASSERT_TRUE(waitFor([&] {
        process.waitForReadyRead(10);
        return process.peek(1 << 20).contains("Успешно: ");
    }));
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGINT), 0);
    const Outcome ended = finish(process);
    qunsetenv("KEZ_FAKE_LOG");
    EXPECT_EQ(ended.exitCode, 130);
    EXPECT_TRUE(ended.err.contains(lines({"Ошибка: " + root + "/g hang.kez -> " + root + "/g hang.rtf",
                                          "Конвертация прервана пользователем."})))
        << ended.err.toStdString();
    EXPECT_TRUE(ended.out.endsWith(lines({"Обработано файлов: 2, успешно: 1, с ошибками: 1",
                                          "Обработка прервана пользователем."})))
        << ended.out.toStdString();
    const QString pid = fakeLog(log).filter("pid ").value(0).mid(4);
    EXPECT_FALSE(QFile::exists("/proc/" + pid)) << "the hung converter was ended";
    EXPECT_EQ(leftIn(environment.runtimeDir()), runtimeBefore);
}

// One at a time kezconv converts in itself, with no worker: a converter ended at the user's word
// leaves its file interrupted, not unconfirmed.
TEST_F(Kezconv, OneAtATimeASecondInterruptFailsTheFileAsInterrupted)
{
    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    touch(root + "/g hang.kez");
    QProcess process;
    start(process, kWithFake, {"-j1", root + "/g hang.kez"});
    ASSERT_TRUE(waitFor([&] { return fakeLog(log).join('\n').contains("pid "); }));
    qunsetenv("KEZ_FAKE_LOG");
    // Two requests at once count as one: asked again until it ends.
    bool ended = false;
    for (int i = 0; i < 50 && !ended; ++i) {
        ASSERT_EQ(::kill(pid_t(process.processId()), SIGINT), 0);
        ended = process.waitForFinished(200);
    }
    ASSERT_TRUE(ended);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    const QByteArray err = process.readAllStandardError();
    EXPECT_EQ(err, lines({"Ошибка: " + root + "/g hang.kez -> " + root + "/g hang.rtf",
                          "Конвертация прервана пользователем."}))
        << err.toStdString();
    EXPECT_EQ(process.readAllStandardOutput(), lines({"Обработано файлов: 1, успешно: 0, с ошибками: 1",
                                                      "Обработка прервана пользователем."}));
    const QString pid = fakeLog(log).filter("pid ").value(0).mid(4);
    EXPECT_FALSE(QFile::exists("/proc/" + pid)) << "the hung converter was ended";
}

// Its output piped into a reader that ends early, as into `head -1`: kezconv is not killed by the
// broken pipe half-way, but stops as at an interrupt, with status 1 and nothing left behind.
TEST_F(Kezconv, AReaderThatGoesAwayStopsTheRunInOrder)
{
    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    for (int i = 1; i <= 8; ++i)
        touch(root + QStringLiteral("/f%1 sleep200.kez").arg(i));
    const QStringList runtimeBefore = leftIn(environment.runtimeDir());
    for (const char* jobs : {"-j1", "-j2"}) {
        QFile::remove(log);
        // A real pipe, its reading end closed after the first line.
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const QByteArray program = QFile::encodeName(kWithFake);
        const QByteArray folder = QFile::encodeName(root);
        char* argv[] = {const_cast<char*>("kezconv"), const_cast<char*>(jobs), const_cast<char*>(folder.constData()),
                        nullptr};
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        ASSERT_EQ(spawned, 0);
        char first = 0;
        EXPECT_EQ(::read(pipeEnds[0], &first, 1), 1) << jobs;
        ::close(pipeEnds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << jobs << ": ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1) << jobs;
        EXPECT_LT(fakeLog(log).size(), 8) << jobs << ": it went on converting";
        EXPECT_EQ(leftIn(environment.runtimeDir()), runtimeBefore) << jobs;
    }
    qunsetenv("KEZ_FAKE_LOG");
}

TEST_F(Kezconv, KilledOutrightItLeavesNoConverterRunningAndNoPrivateFolder)
{
    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    touch(root + "/g hang.kez");
    const QStringList runtimeBefore = leftIn(environment.runtimeDir());
    // Through a worker process: -j1 converts in kezconv itself, which, like the window, nothing
    // outlives to clean up after a SIGKILL.
    QProcess process;
    start(process, kWithFake, {"-j2", root});
    ASSERT_TRUE(waitFor([&] { return fakeLog(log).join('\n').contains("pid "); }));
    qunsetenv("KEZ_FAKE_LOG");
    process.kill();
    process.waitForFinished(5000);
    const QString pid = fakeLog(log).filter("pid ").value(0).mid(4);
    EXPECT_TRUE(waitFor([&] { return !QFile::exists("/proc/" + pid); })) << "the hung converter was ended";
    EXPECT_TRUE(waitFor([&] { return leftIn(environment.runtimeDir()) == runtimeBefore; }))
        << leftIn(environment.runtimeDir()).join(' ').toStdString();
}

TEST_F(Kezconv, AWrongCommandLineIsWordedInRussianWithStatusTwo)
{
    for (const QStringList& arguments : {QStringList{"--bogus", "a.kez"}, QStringList{}, QStringList{"-j", "x", "a.kez"},
                                         QStringList{"-o"}, QStringList{"-o", root + "/nowhere", "a.kez"}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(outcome.err.startsWith("kezconv: ")) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains("kezconv --help")) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Использование: kezconv"));
    EXPECT_EQ(run({"--version"}).out, "kezconv 1.0.0\nЛицензия MIT: свободная программа, без каких-либо гарантий.\n");
}

// Lists as scripts give them: the named files first, then every list in the order given; a list
// that cannot be read (a folder, given by name or as the standard input) is a usage error in words,
// before anything is converted.
TEST_F(Kezconv, EveryListIsTakenInOrderAndOneThatCannotBeReadIsAUsageError)
{
    for (const char* name : {"a", "b", "c", "d"})
        touch(root + "/" + name + ".kez");
    for (const auto& [list, path] : {std::pair{"/one.list", "/a.kez"}, std::pair{"/two.list", "/b.kez"}}) {
        QFile file(root + list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QFile::encodeName(root + path) + '\n');
    }
    const Outcome outcome = run({"-j1", "--from-file", root + "/one.list", "-", "--from-file", root + "/two.list",
                                 root + "/d.kez"},
                                lines({root + "/c.kez", root + "/d.kez"}));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.out, lines({"Успешно: " + root + "/d.kez -> " + root + "/d.rtf",
                                  "Успешно: " + root + "/a.kez -> " + root + "/a.rtf",
                                  "Успешно: " + root + "/c.kez -> " + root + "/c.rtf",
                                  "Успешно: " + root + "/b.kez -> " + root + "/b.rtf",
                                  "Обработано файлов: 4, успешно: 4, с ошибками: 0"}));

    const Outcome folder = run({"--from-file", root});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(folder.err).startsWith("kezconv: не удалось прочитать список файлов " + root + ": Это папка"))
        << folder.err.toStdString();
    QProcess fromFolder;
    fromFolder.setStandardInputFile(root);
    start(fromFolder, kWithFake, {"-"});
    const Outcome input = finish(fromFolder);
    EXPECT_EQ(input.exitCode, 2) << "nothing read is no success";
    EXPECT_TRUE(input.err.contains("со стандартного ввода")) << input.err.toStdString();
}

// A producer that pauses (find on a slow disk): the paths that have arrived are converted while
// the rest of the list is still to come.
TEST_F(Kezconv, ConvertsTheFilesOfAListAsTheirPathsArrive)
{
    touch(root + "/first.kez");
    touch(root + "/second.kez");
    for (const char* jobs : {"-j1", "-j2"}) {
        QProcess process;
        start(process, kWithFake, {jobs, "-0", "-"});
        process.write(QFile::encodeName(root + "/first.kez") + '\0');
        EXPECT_TRUE(waitFor([&] {
            process.waitForReadyRead(10);
            return process.peek(1 << 20).contains("Успешно: ");
        })) << jobs << ": the first file waited for the list's end";
        process.write(QFile::encodeName(root + "/second.kez"));
        process.closeWriteChannel();
        const Outcome outcome = finish(process);
        EXPECT_EQ(outcome.exitCode, 0) << jobs;
        EXPECT_EQ(QString::fromUtf8(outcome.out).count("Успешно: "), 2) << jobs;
    }
}

// The exit status says what happened to the files alone: 0 when converted even with the standard
// output closed, 1 for one file that failed, 130 for a stop, which is said even after one file.
TEST_F(Kezconv, TheExitStatusSaysWhatHappenedAndAStopIsSaidEvenAfterOneFile)
{
    touch(root + "/alone.kez");
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        const QByteArray program = QFile::encodeName(kWithFake);
        const QByteArray file = QFile::encodeName(root + "/alone.kez");
        char* argv[] = {const_cast<char*>("kezconv"), const_cast<char*>("-j1"), const_cast<char*>(file.constData()),
                        nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "with its standard output closed: " << status;
        EXPECT_TRUE(QFile::exists(root + "/alone.rtf"));
    }
    touch(root + "/lost reply-5.kez");
    EXPECT_EQ(run({root + "/lost reply-5.kez"}).exitCode, 1);

    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    touch(root + "/slow sleep300.kez");
    for (const auto& [jobs, signal] : {std::pair{"-j1", SIGINT}, std::pair{"-j2", SIGTERM}}) {
        QFile::remove(log);
        QProcess process;
        start(process, kWithFake, {jobs, root + "/slow sleep300.kez"});
        ASSERT_TRUE(waitFor([&] { return fakeLog(log).size() == 1; }));
        ASSERT_EQ(::kill(pid_t(process.processId()), signal), 0);
        const Outcome stopped = finish(process);
        EXPECT_EQ(stopped.exitCode, 130) << jobs;
        EXPECT_TRUE(stopped.out.endsWith(lines({"Обработано файлов: 1, успешно: 1, с ошибками: 0",
                                                "Обработка прервана пользователем."})))
            << jobs << ": " << stopped.out.toStdString();
    }
    qunsetenv("KEZ_FAKE_LOG");
}

// An archive run resumed: bundled short options, the sources' subfolders kept under -o (two files
// of one name do not collide), and only the files without an up-to-date result converted again;
// a converter's remark follows its file's line.
TEST_F(Kezconv, TreeKeepsTheSubfoldersAndNoClobberConvertsOnlyWhatIsNotUpToDate)
{
    touch(root + "/src/a/x.kez");
    touch(root + "/src/b/x remark.kez");
    touch(root + "/src/b/x.kez");
    QDir().mkpath(root + "/out");
    const Outcome quiet = run({"-qj2", "--tree", "-o", root + "/out", root + "/src"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.out.isEmpty()) << quiet.out.toStdString();
    for (const char* result : {"/out/a/x.rtf", "/out/b/x.rtf", "/out/b/x remark.rtf"})
        EXPECT_TRUE(QFile::exists(root + result)) << result;

    QFile::remove(root + "/out/a/x.rtf");
    QFile::remove(root + "/out/b/x remark.rtf");
    const Outcome resumed = run({"--no-clobber", "--tree", "-j1", "-o", root + "/out", root + "/src"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    EXPECT_EQ(resumed.out, lines({"Успешно: " + root + "/src/a/x.kez -> " + root + "/out/a/x.rtf",
                                  "Успешно: " + root + "/src/b/x remark.kez -> " + root + "/out/b/x remark.rtf",
                                  "Замечание конвертера: Ошибок разметки: 2",
                                  "Пропущен: " + root + "/src/b/x.kez -> " + root + "/out/b/x.rtf (полученный файл не старше исходного)",
                                  "Обработано файлов: 3, успешно: 2, с ошибками: 0, пропущено: 1"}));
}

// A kezconv killed outright cannot remove its private folder; the next run does, and leaves the
// folder of one still running alone.
TEST_F(Kezconv, ALaterRunRemovesThePrivateFolderThatAKilledOneLeft)
{
    const QString log = environment.root() + "/fake.log";
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(log));
    touch(root + "/g hang.kez");
    touch(root + "/ok.kez");
    const QStringList runtimeBefore = leftIn(environment.runtimeDir());
    QProcess killed;
    start(killed, kWithFake, {"-j1", root + "/g hang.kez"});
    ASSERT_TRUE(waitFor([&] { return fakeLog(log).join('\n').contains("pid "); }));
    QProcess running;
    start(running, kWithFake, {"-j1", root + "/g hang.kez"});
    ASSERT_TRUE(waitFor([&] { return fakeLog(log).filter("pid ").size() == 2; }));
    qunsetenv("KEZ_FAKE_LOG");
    killed.kill();
    killed.waitForFinished(5000);
    const QStringList converters = fakeLog(log).filter("pid ");
    ::kill(pid_t(converters[0].mid(4).toInt()), SIGKILL);
    const QStringList left = leftIn(environment.runtimeDir());
    ASSERT_GT(left.filter(QRegularExpression("^kezconv-[^/]{6}$")).size(), 1) << left.join(' ').toStdString();

    EXPECT_EQ(run({"-j1", root + "/ok.kez"}).exitCode, 0);
    EXPECT_EQ(leftIn(environment.runtimeDir()).filter(QRegularExpression("^kezconv-[^/]{6}$")).size(), 1)
        << "the running one's folder stays, the killed one's goes";
    ::kill(pid_t(converters[1].mid(4).toInt()), SIGKILL);
    finish(running);
    EXPECT_EQ(leftIn(environment.runtimeDir()), runtimeBefore);
}

// -j far beyond what the machine gives is capped, and workers that cannot be started for want of
// descriptors leave their files to those that run: every file is converted.
TEST_F(Kezconv, TooManyJobsAreCappedAndFilesOfAWorkerThatCannotStartGoToTheOthers)
{
    for (int i = 1; i <= 40; ++i)
        touch(root + QStringLiteral("/f%1.kez").arg(i));
    QProcess process;
    start(process, QStringLiteral("prlimit"), {"--nofile=28", kWithFake, "-j", "100000", root});
    const Outcome outcome = finish(process);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(outcome.out).count("Успешно: "), 40);
    EXPECT_TRUE(outcome.err.contains("не больше")) << "the cap is said";
}

// A subfolder whose name is no UTF-8 is kept under -o with its bytes, and its result is found
// again by --no-clobber.
TEST_F(Kezconv, TreeKeepsASubfolderWhoseNameIsNoUtf8)
{
    const QByteArray folder = QFile::encodeName(root);
    const struct RemoveByBytes {
        QByteArray root;
        ~RemoveByBytes()
        {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(root.constData()), ignored);
        }
    } removeByBytes{folder};
    const QByteArray sub = folder + "/src/latin1 \xe9t\xe9";
    std::filesystem::create_directories(sub.constData());
    const int fd = ::open((sub + "/x.kez").constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    QDir().mkpath(root + "/out");
    // The bundled converter: it writes to names that are no UTF-8 as they are.
    const Outcome outcome = run({"-j1", "--tree", "-o", root + "/out", root + "/src"}, {}, kWithBundled);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(::access((folder + "/out/latin1 \xe9t\xe9/x.rtf").constData(), F_OK), 0) << outcome.out.toStdString();
    const Outcome again = run({"-j1", "--no-clobber", "--tree", "-o", root + "/out", root + "/src"}, {}, kWithBundled);
    EXPECT_TRUE(again.out.startsWith("Пропущен: ")) << again.out.toStdString();
}
