#pragma once

// The two status marks of the day list, drawn on the olive background (red 128, green
// 128, blue 0) that the grid's brush copy treats as transparent.

#include <QColor>
#include <QPixmap>

#include <functional>

inline const QColor kStatusTransparent(128, 128, 0);

// A 20 × 20 blue tick: the day adds up.
QPixmap okMark();
// A 15 × 16 red cross: the day's apportionment does not add up.
QPixmap errorMark();
