#include "platform/Wildcard.h"

namespace {

QString expressionFor(const QString& pattern)
{
    QString expression;
    for (QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression::anchoredPattern(expression);
}

}

Wildcard::Wildcard(const QString& pattern)
    : everything(pattern.isEmpty() || pattern == QLatin1String("*.*")),
      expression(expressionFor(pattern), QRegularExpression::DotMatchesEverythingOption)
{
}

bool Wildcard::matches(const QString& name) const
{
    return everything || expression.match(name).hasMatch();
}
