#pragma once

#include <QString>

// The progress fields' text: the whole-number percentage of the file done,
// then " %".
QString percentageText(qint64 done, qint64 total);
