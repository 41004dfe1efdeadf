#include "core/fs/DroppedPaths.h"
#include "platform/ExecutableSearch.h"
#include "platform/FileNameCodec.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

const QStringList& DroppedPaths::Of(const QMimeData* aData)
{
    if (!mKnown || aData != mData) {
        mPaths = LocalPathsOf(aData);
        mData = aData;
        mKnown = true;
    }
    return mPaths;
}

void DroppedPaths::Forget()
{
    mData = nullptr;
    mKnown = false;
    mPaths.clear();
}

QStringList DroppedPaths::LocalPathsOf(const QMimeData* aData)
{
    QStringList paths;
    if (!aData || !aData->hasUrls())
        return paths;
    const QList<QUrl> urls = aData->urls();
    paths.reserve(urls.size());
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths.append(LocalPathOf(url));
    return paths;
}

QString DroppedPaths::LocalPathOf(const QUrl& aUrl)
{
    QString path = QDir::toNativeSeparators(aUrl.toLocalFile());
    // Qt decodes what is no UTF-8 to the replacement character; only such a path needs its bytes.
    if (platform::pathSeparator() == '/' && path.contains(QChar::ReplacementCharacter) && aUrl.host().isEmpty()) {
        const QByteArray bytes = QByteArray::fromPercentEncoding(aUrl.path(QUrl::FullyEncoded).toLatin1());
        return QString::fromStdU16String(platform::decodeFileName(std::string_view(bytes.constData(), bytes.size())));
    }
    return path;
}
