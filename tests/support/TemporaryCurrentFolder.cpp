#include "support/TemporaryCurrentFolder.h"

#include <QDir>

TemporaryCurrentFolder::TemporaryCurrentFolder() : previous(QDir::currentPath())
{
    QDir::setCurrent(folder.path());
}

TemporaryCurrentFolder::~TemporaryCurrentFolder()
{
    QDir::setCurrent(previous);
}
