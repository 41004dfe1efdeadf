#pragma once
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A small source file in aFolder for a run to convert; the fake converter goes by its name.
inline QString WriteSourceFile(const QTemporaryDir& aFolder, const QString& aName)
{
    const QString path = aFolder.filePath(aName);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text\n");
    return path;
}
