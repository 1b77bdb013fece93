#include "ui/DoubleClick.h"

#include <QEvent>
#include <QWidget>

namespace {

class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), action(std::move(action)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            action();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action;
};

}

void onDoubleClick(QWidget* widget, std::function<void()> action)
{
    widget->installEventFilter(new DoubleClickFilter(widget, std::move(action)));
}
