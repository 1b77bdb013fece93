#include "config/NumberText.h"

#include <QRegularExpression>

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
