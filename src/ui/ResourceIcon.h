#pragma once
#include <QIcon>
#include <QString>

// An icon from one of the program's own PNG resources. Naming the format spares the start the
// content sniffing done for a bare file name, which loads every image-format plug-in.
QIcon ResourceIcon(const QString& aPngPath);
