#pragma once

#include <QDialog>
#include <QLabel>
#include <QTreeView>

class Program;
class QFileSystemModel;

// The working-path dialog: a folder tree that starts at the process's current
// folder. The folder highlighted when the dialog closes (Enter, Escape or the
// close button) becomes the working folder and is saved.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(Program& program);

    QTreeView* Dir1;
    QLabel* Label1;

    QString highlightedFolder() const;
    void highlight(const QString& folder);

protected:
    void done(int result) override;

private:
    Program& program;
    QFileSystemModel* folders;
};

void showPathDialog(Program& program);
