#pragma once
// Reading numbers and colours from project values, always in the C locale.
#include <QString>
#include <cstdint>

namespace sl {

// Whole numbers: decimal with optional sign, or hexadecimal after "0x", "0X", "x" or "X"
// (filling all 32 bits). Anything else, overflow included, reads as 0.
int32_t VarToIntDef0(const QString &text);
// Decimal numbers: the first "," counts as "."; leading blanks allowed; anything left over,
// inf, nan and hexadecimal floats read as 0.
double VarToFloatDef0(const QString &text);
// The same reading, telling whether the whole text was such a number; `value` is set only then.
bool TryVarToFloat(const QString &text, double &value);
// Exchanges the lowest and the third byte and clears the highest.
uint32_t SwapRB(uint32_t colour);
inline QString IfThenStr(bool condition, const QString &ifTrue, const QString &ifFalse = QString())
{
    return condition ? ifTrue : ifFalse;
}
// A number the program computes itself, written with "." and no needless digits.
QString FloatToStr(double value);

} // namespace sl
