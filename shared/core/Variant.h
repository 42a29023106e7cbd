#pragma once
// Conversions of late-bound arguments, written once for every component.
#include <QVariant>
#include <cstdint>

namespace fragdeck
{

// Numeric value of a variant as the game tools' callers pass them: numbers as they are,
// text by its numeric value (a non-numeric text raises a type mismatch, error 13).
double toNumber(const QVariant& v);
// Rounded to the nearest whole number (halves to even); error 6 "Overflow" out of range.
int16_t toInt16(const QVariant& v);
int32_t toInt32(const QVariant& v);
// Text of a variant; an empty variant gives empty text.
QString toText(const QVariant& v);
bool toBool(const QVariant& v);

// The numeric value of a text's leading number: leading blanks skipped, then an optional
// sign, digits and one decimal point; nothing numeric gives 0 ("27000abc" -> 27000).
double leadingValue(const QString& text);
// leadingValue as a 32-bit whole number; error 6 "Overflow" out of range.
int32_t leadingInt32(const QString& text);

} // namespace fragdeck
