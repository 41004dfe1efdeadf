#pragma once
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

// What a file manager does when files are dragged onto a view: enter with the data, then let go
// over it. Returns whether the copy effect was offered on entering.
inline bool DropMimeData(QWidget* aViewport, QMimeData& aData)
{
    const QPoint at = aViewport->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &aData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(aViewport, &enter);
    const bool accepted = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    QDropEvent release(QPointF(at), offered, &aData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(aViewport, &release);
    return accepted;
}

inline bool DropLocalFiles(QWidget* aViewport, const QStringList& aPaths)
{
    QList<QUrl> urls;
    for (const QString& path : aPaths)
        urls.append(QUrl::fromLocalFile(path));
    QMimeData data;
    data.setUrls(urls);
    return DropMimeData(aViewport, data);
}
