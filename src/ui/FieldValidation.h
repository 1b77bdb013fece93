#pragma once

class QLineEdit;
struct Row;

// The fields of a row that the field handlers know apart.
enum class RowField { Host, User, Password, Path, Pattern, Port };

// A 12-character password for anonymous logins: a hyphen and an e-mail address.
inline constexpr char kAnonymousPassword[] = "-tolvane@lan";

// Every edit of a site field, by the operator or the program: the text is
// trimmed, the field's own rule applied, the row checked for completeness, and
// the text stored into the current site.
void rowFieldChanged(Row& row, RowField field);
// Retries: a number outside 0 to 4 becomes "1"; text that is not a number
// stays. The number the text starts with is the retries the jobs count.
void retriesChanged(QLineEdit* retries, double& value);

// A row without user, password, path, pattern or port disarms its job and,
// unless the program is filling the row, marks the current site inactive:
// checkDownloadFields and checkUploadFields, written once.
void checkFields(Row& row);
