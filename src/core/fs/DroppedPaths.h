#pragma once
#include <QStringList>

class QMimeData;
class QUrl;

// The local files a drag carries, read from its data once per drag: when it enters, and then
// kept for its moves and its drop (the data of a drag does not change while it lasts).
class DroppedPaths {
public:
    // The local paths the data lists, in its order; empty when it holds no list of files.
    const QStringList& Of(const QMimeData* aData);
    // The drag has entered afresh or left: its data is read again next time.
    void Forget();

    static QStringList LocalPathsOf(const QMimeData* aData);
    // A file URL's path with the platform's separators. On POSIX the URL's bytes are decoded as
    // file names are (platform/FileNameCodec.h), so a name that is no UTF-8 keeps its bytes.
    static QString LocalPathOf(const QUrl& aUrl);

private:
    const QMimeData* mData = nullptr;
    bool mKnown = false;
    QStringList mPaths;
};
