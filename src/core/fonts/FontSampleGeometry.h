#pragma once
#include <QtGlobal>

// Where and how large the font sample is drawn in its field.
struct FontSampleGeometry {
    qint32 FontHeight = 0; // as CreateFont takes it: negative = character height in pixels
    qint32 TextX = 0; // pixels: horizontal centre of the text
    qint32 BaselineY = 0; // pixels: the text's baseline
    double LineYTwips = 0; // the baseline drawn across the field, in twips
};

// For a field of aWidth x aHeight twips, aTx x aTy twips per pixel and a size in points:
// the height is -(aTy x size) / 10.5 and the baseline lies at 70 % of the field's height.
// Every rounding is to the nearest integer, halves to even.
FontSampleGeometry ComputeSampleGeometry(double aWidth, double aHeight, double aTx, double aTy, qint32 aSize);
