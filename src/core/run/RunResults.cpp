#include "core/run/RunResults.h"
#include "core/common/LineBreak.h"
#include "core/fs/mFileSystem.h"

#include <QDir>

namespace {

QString failure(const QString& aFile, const QString& aOutFile)
{
    return QStringLiteral("Ошибка: ") + aFile + QStringLiteral(" -> ") + aOutFile + kCrLf;
}
} // namespace

void RunResults::Start()
{
    mSucceeded = 0;
    mFailed = 0;
    mKept = 0;
    mResults.clear();
}

QString RunResults::Key(const QString& aOutFile)
{
    QString key = QDir::cleanPath(aOutFile);
    if (mFileSystem::FileNameCase() == Qt::CaseInsensitive)
        key = key.toCaseFolded();
    return key;
}

std::optional<QString> RunResults::RefuseReplacing(const QString& aFile, const QString& aOutFile)
{
    const auto earlier = mResults.constFind(Key(aOutFile));
    if (earlier == mResults.cend())
        return std::nullopt;
    ++mFailed;
    return failure(aFile, aOutFile) + QStringLiteral("Файл не сконвертирован: он заменил бы файл %1, "
                                                     "уже полученный в этой же обработке из %2.")
                                          .arg(aOutFile, earlier.value());
}

QString RunResults::Converted(const QString& aFile, const QString& aOutFile)
{
    mResults.insert(Key(aOutFile), aFile);
    ++mSucceeded;
    return QStringLiteral("Успешно: ") + aFile + QStringLiteral(" -> ") + aOutFile;
}

QString RunResults::Failed(const QString& aFile, const QString& aOutFile, const QString& aWhy)
{
    ++mFailed;
    return failure(aFile, aOutFile) + aWhy;
}

QString RunResults::Kept(const QString& aFile, const QString& aOutFile)
{
    mResults.insert(Key(aOutFile), aFile);
    ++mKept;
    return QStringLiteral("Пропущен: ") + aFile + QStringLiteral(" -> ") + aOutFile +
           QStringLiteral(" (полученный файл не старше исходного)");
}

QStringList RunResults::Summary(bool aStopped, bool aStopSaidAlways) const
{
    const qint32 processed = mSucceeded + mFailed + mKept;
    if (processed <= 1 && !(aStopped && aStopSaidAlways))
        return {};
    QStringList lines{
        QStringLiteral("Обработано файлов: %1, успешно: %2, с ошибками: %3").arg(processed).arg(mSucceeded).arg(mFailed)};
    if (mKept > 0)
        lines.first() += QStringLiteral(", пропущено: %1").arg(mKept);
    if (aStopped)
        lines.append(QStringLiteral("Обработка прервана пользователем."));
    return lines;
}
