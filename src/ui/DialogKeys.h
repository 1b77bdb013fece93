#pragma once

class QDialog;

// Enter closes the dialog as Escape does: the dialogs have no buttons, and
// every change they make is applied as it is made.
void closeOnEnter(QDialog* dialog);
