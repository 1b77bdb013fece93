#pragma once

#include <QtGlobal>

class QLineEdit;

// The byte counters and percentages are held as text in their display fields:
// every update reads the field, adds, and writes the sum back.
double counterValue(const QLineEdit* field);
void addToCounter(QLineEdit* field, qint64 bytes);
// "n %" with n the whole part of done / total × 100.
void showPercentage(QLineEdit* field, double done, double total);
