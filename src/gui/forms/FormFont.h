#pragma once
#include <QFont>

// The forms' 8-point sans-serif font: a narrow face with the metrics the layouts were drawn for,
// falling back to the system's sans-serif face.
QFont FormFont();
