#pragma once

#include <QString>

// Numbers typed into fields and stored in the site tables are text.

// The number a text starts with, the way a leading-number parse reads it:
// "12" is 12, "2.5x" is 2.5, "abc" and "" are 0.
double valueOf(const QString& text);

// Text that converts to a number as a whole: an optional sign, digits with an
// optional decimal point, an optional exponent, blanks around it ignored.
bool isNumeric(const QString& text);
