#include "ui/FieldValidation.h"

#include "config/NumberText.h"
#include "ui/Row.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QLineEdit* fieldOf(Row& row, RowField field)
{
    switch (field) {
    case RowField::Host: return row.coveredHost;
    case RowField::User: return row.user;
    case RowField::Password: return row.password;
    case RowField::Path: return row.path;
    case RowField::Pattern: return row.pattern;
    case RowField::Port: return row.port;
    }
    return nullptr;
}

// The value the jobs read for the field. The covered host field has none: the
// host they read is the list's text.
QString* jobValueOf(Row& row, RowField field)
{
    switch (field) {
    case RowField::User: return &row.fields.user;
    case RowField::Password: return &row.fields.password;
    case RowField::Path: return &row.fields.path;
    case RowField::Pattern: return &row.fields.pattern;
    case RowField::Port: return &row.fields.port;
    case RowField::Host: break;
    }
    return nullptr;
}

SiteColumn* columnOf(Row& row, RowField field)
{
    switch (field) {
    case RowField::User: return &row.site.users;
    case RowField::Password: return &row.site.passwords;
    case RowField::Path: return &row.site.paths;
    case RowField::Pattern: return &row.site.patterns;
    case RowField::Port: return &row.site.ports;
    case RowField::Host: break;  // the host column belongs to the site list
    }
    return nullptr;
}

void applyOwnRule(Row& row, RowField field, QLineEdit* edit)
{
    const bool anonymous = row.user->text() == QLatin1String("anonymous");
    if ((field == RowField::User || field == RowField::Password) && anonymous)
        row.password->setText(QLatin1String(kAnonymousPassword));
    if (field == RowField::Port && (edit->text().isEmpty() || !isNumeric(edit->text())))
        edit->setText(QStringLiteral("21"));
}

}

void rowFieldChanged(Row& row, RowField field)
{
    QLineEdit* edit = fieldOf(row, field);
    if (QString* value = jobValueOf(row, field))
        *value = edit->text();
    if (!edit->text().isEmpty() && edit->text() != edit->text().trimmed())
        edit->setText(edit->text().trimmed());
    applyOwnRule(row, field, edit);
    checkFields(row);
    SiteColumn* column = columnOf(row, field);
    if (column && !row.hostList->currentText().isEmpty() && row.site.index >= 0 && row.site.index < kSiteSlots)
        (*column)[size_t(row.site.index)] = edit->text();
}

void retriesChanged(QLineEdit* retries, double& value)
{
    const QString text = retries->text();
    value = valueOf(text);
    if (!isNumeric(text))
        return;
    if (value < 0 || value > 4)
        retries->setText(QStringLiteral("1"));
}

void checkFields(Row& row)
{
    for (QLineEdit* required : { row.user, row.password, row.path, row.pattern, row.port }) {
        if (required->text().isEmpty()) {
            switchJobOff(row);
            if (row.fieldsLoading)
                return;
            if (row.site.index >= 0 && row.site.index < kSiteSlots)
                row.site.activeFlags[size_t(row.site.index)] = QStringLiteral("0");
            row.activeText = QStringLiteral("InActive");
            row.scheduleDisplay->setText(scheduleDisplayText(row, row.activeText));
            return;
        }
    }
}
