#include "config/NumberText.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QRegularExpression& leadingNumber()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)"));
    return pattern;
}

}

double valueOf(const QString& text)
{
    const QRegularExpressionMatch match = leadingNumber().match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

bool isNumeric(const QString& text)
{
    const QRegularExpressionMatch match = leadingNumber().match(text);
    return match.hasMatch() && text.mid(match.capturedEnd()).trimmed().isEmpty();
}

int wholeNumberOf(const QString& text)
{
    const double rounded = std::round(valueOf(text));
    return int(std::clamp(rounded, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}
