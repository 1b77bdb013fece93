#include "platform/PlainEventLoop.h"

#include <QByteArray>

void choosePlainEventLoop()
{
    qputenv("QT_NO_GLIB", QByteArray("1"));
}
