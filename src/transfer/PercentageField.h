#pragma once

#include <QtGlobal>

class QLineEdit;

// Shows "n %" in a progress field, n the whole part of done / total × 100.
// The text changes a hundred times a file at most, while this is called for
// every chunk, so the field is only written when its text changes.
void showPercentage(QLineEdit* field, qint64 done, qint64 total);
