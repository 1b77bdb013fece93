#pragma once

class Program;
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
// Retries: a number outside 0 to 4 becomes "1"; text that is not a number stays.
void retriesChanged(QLineEdit* retries);

// A row without user, password, path, pattern or port disarms its job and,
// unless the program is filling the row, marks the current site inactive.
void checkFields(Row& row);
void checkDownloadFields(Program& program);
void checkUploadFields(Program& program);
