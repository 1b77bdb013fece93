#pragma once

#include <functional>

class QWidget;

// Runs action when the widget (a label, which has no such signal) is
// double-clicked.
void onDoubleClick(QWidget* widget, std::function<void()> action);
