#pragma once
#include "core/fonts/TInstalledFont.h"

#include <QFont>
#include <QStringList>

// Qt reads the installed fonts once, when the program starts; a font installed later is listed
// by the catalogue (which reads afresh) but Qt would draw it with a fallback face. These add the
// files of such families to Qt's font database, so that what the catalogue lists is drawn in its
// own face at once.
namespace DrawableFaces {

// Adds the files of every family of the catalogue that Qt does not know. Each file is added once
// per process.
void Register(const InstalledFontCollection& aCatalogue);

// The same for the given faces: the catalogue is read only when Qt lacks one of them.
void RegisterFaces(const QStringList& aFaces);

// Sets aFont to draw the face: its family, or, for a face that fontconfig lists as a style of
// another family ("DejaVu Sans Light" is DejaVu Sans ExtraLight), that family in that style
// (unless bold or italic is asked for, which Qt then takes from the family).
void ApplyFace(QFont& aFont, const QString& aFace, bool aBold, bool aItalic);

} // namespace DrawableFaces
