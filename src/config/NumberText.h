#pragma once

#include <QString>

// Numbers typed into fields and stored in the site tables are text.

// The number a text starts with, the way a leading-number parse reads it:
// "12" is 12, "2.5x" is 2.5, "abc" and "" are 0.
double valueOf(const QString& text);

// Text that converts to a number as a whole: an optional sign, digits with an
// optional decimal point, an optional exponent, blanks around it ignored.
bool isNumeric(const QString& text);

// A number field's value as a whole number, the way the field rules read it:
// "21.0" is 21. Values beyond the 32-bit range are held at its ends.
int wholeNumberOf(const QString& text);
