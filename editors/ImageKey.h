#pragma once
// The project key of one light-table image: "object.image.<viewstate>.<row>.<column>.<frame>",
// all numbers 0-based. The light table and the hotspot editor's tile list name images by it.
#include <QString>

namespace sl {

// The key of the image at (frame, column, row, viewstate); note the order, the reverse of the
// key's own. A negative number is written with its minus sign.
QString MakeImageKey(int frame, int column, int row, int viewstate);

// Reads a line's name (the text before its first "=", blanks trimmed) as an image key.
// When the name does not begin with "object.image." exactly (letter case counts), all four
// results are -1 and the result is false. Otherwise the digits that follow are read as up to
// four numbers separated by "." in the order viewstate, row, column, frame; other characters
// are skipped ("-1" reads as 1), numbers that were not reached are 0, anything after the fourth
// is ignored, and a number too large for an int reads as INT_MAX. True then (frame >= 0).
bool ParseImageKey(const QString &name, int &frame, int &column, int &row, int &viewstate);

// Whether a line's name is an image key.
bool isImageKey(const QString &name);

} // namespace sl
