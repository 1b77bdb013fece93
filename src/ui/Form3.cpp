#include "ui/Form3.h"

#include "config/SettingsFiles.h"
#include "schedule/Engine.h"
#include "ui/DialogKeys.h"
#include "ui/Form1.h"
#include "ui/Window.h"

#include <QDir>
#include <QFileSystemModel>
#include <QVBoxLayout>

Form3::Form3(Window& window)
    : QDialog(&window.form), Dir1(new QTreeView), Label1(new QLabel), window(window),
      folders(new QFileSystemModel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Work Path Setting"));
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QDir::rootPath());
    Dir1->setModel(folders);
    for (int column = 1; column < folders->columnCount(); ++column)
        Dir1->hideColumn(column);
    Dir1->setHeaderHidden(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Dir1);
    layout->addWidget(Label1);
    resize(420, 360);

    highlight(QDir::currentPath());
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        this->window.engine.workPath = highlightedFolder();
        Label1->setText(this->window.engine.workPath);
    });
    closeOnEnter(this);
}

QString Form3::highlightedFolder() const
{
    return QDir::toNativeSeparators(folders->filePath(Dir1->currentIndex()));
}

void Form3::highlight(const QString& folder)
{
    const QModelIndex index = folders->index(folder);
    Dir1->setCurrentIndex(index);
    Dir1->scrollTo(index);
    Dir1->expand(index);
    Label1->setText(highlightedFolder());
}

void Form3::done(int result)
{
    Engine& engine = window.engine;
    engine.workPath = highlightedFolder();
    saveWorkPath(engine.workPath);
    engine.File2.setPath(engine.workPath);
    window.form.Label15->setText(QStringLiteral("Working Path is ") + engine.workPath);
    QDialog::done(result);
}

void showPathDialog(Window& window)
{
    if (!window.form.findChild<Form3*>())
        (new Form3(window))->show();
}
