#pragma once
#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

// The program's icons, stored as raw pixels made from its PNGs at build time: Qt's image reader
// would look through every image-format plug-in first, which costs the start more than all
// the rest of building the window's icons.
QIcon ResourceIcon(const QString& aRawPath);

// The picture in raw icon data (see tools/iconpixels), or a null image when it is short or
// damaged.
QImage RawIconImage(const QByteArray& aData);
