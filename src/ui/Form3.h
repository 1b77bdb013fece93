#pragma once

#include <QDialog>
#include <QLabel>
#include <QTreeView>

struct Window;
class QFileSystemModel;

// The working-path dialog: a folder tree that starts at the process's current
// folder. The folder highlighted when the dialog closes (Enter, Escape or the
// close button) becomes the working folder and is saved.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(Window& window);

    QTreeView* Dir1;
    QLabel* Label1;

    QString highlightedFolder() const;
    void highlight(const QString& folder);

protected:
    void done(int result) override;

private:
    Window& window;
    QFileSystemModel* folders;
};

void showPathDialog(Window& window);
