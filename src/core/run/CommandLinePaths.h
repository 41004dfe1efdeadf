#pragma once
#include <QString>
#include <QStringList>

#include <string_view>

// Paths named on a command line or in a list of them, as both front-ends take them: their bytes
// decoded as file names are (a name that is no UTF-8 keeps its bytes), a relative one made
// absolute against the current folder.
namespace CommandLineFiles {

QString PathOf(std::string_view aBytes);

// The arguments after the program's name, as paths. Qt's own options must already be taken out
// (QApplication does that).
QStringList PathsOf(int aArgc, const char* const* aArgv);

// 0 when the path names an existing file or folder (links followed), else the system's reason.
int WhyMissing(const QString& aPath);

// The log's message for a path that names nothing: the path and the system's reason.
QString NotAddedMessage(const QString& aPath, int aWhy);
QString NotAddedMessage(const QString& aPath, const QString& aReason);

} // namespace CommandLineFiles
