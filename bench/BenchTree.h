#pragma once
// Generated folder trees for the benchmarks: <count> empty files spread over folders of 1000,
// one in five of them a KEZ file (in mixed letter case).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace benchtree {

// Scratch space: $KEZ_BENCH_SCRATCH when set, a temporary folder otherwise.
inline QString ScratchFolder(std::unique_ptr<QTemporaryDir>& aOwned)
{
    const QString scratch = qEnvironmentVariable("KEZ_BENCH_SCRATCH");
    if (!scratch.isEmpty())
        return scratch;
    aOwned = std::make_unique<QTemporaryDir>();
    return aOwned->path();
}

// Returns the number of KEZ files in the tree. A tree made before in the same scratch folder is
// kept (its marker lies beside it, so that no scan finds it).
inline int Make(const QString& aRoot, int aFileCount)
{
    constexpr int kPerFolder = 1000;
    const int kezCount = (aFileCount + 4) / 5;
    const QString marker = aRoot + QStringLiteral(".complete");
    if (QFile::exists(marker))
        return kezCount;
    int kez = 0;
    for (int made = 0; made < aFileCount;) {
        const int folderNumber = made / kPerFolder;
        const QString folder =
            QStringLiteral("%1/part%2/folder %3").arg(aRoot).arg(folderNumber / 10).arg(folderNumber % 10);
        QDir().mkpath(folder);
        for (int i = 0; i < kPerFolder && made < aFileCount; ++i, ++made) {
            QString name;
            if (made % 5 == 0) {
                name = QStringLiteral("Псалом %1.%2").arg(made).arg(made % 2 ? QStringLiteral("KEZ") : QStringLiteral("kez"));
                ++kez;
            } else {
                name = QStringLiteral("notes %1.txt").arg(made);
            }
            const int fd = ::open(QFile::encodeName(folder + QLatin1Char('/') + name).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return kez;
}

inline QByteArray ShellQuoted(const QString& aPath)
{
    QByteArray quoted = QFile::encodeName(aPath);
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}

} // namespace benchtree
