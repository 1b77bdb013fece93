// Draws the main window offscreen, as an operator would see it with one site
// in each job, into the PNG file named on the command line.
#include "app/Program.h"
#include "app/StartUp.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

void writeSiteFile(const QString& name, const QByteArray& line)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(line + "\r\n");
}

}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: tolvane_screenshot OUTPUT.png\n";
        return 2;
    }
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    writeSiteFile(QStringLiteral("valuesd.log"),
                  R"("ftp.example.net","collector","tfuwfu","/outgoing","21","GW2_*.dat","1","1","6","AM")");
    writeSiteFile(QStringLiteral("valuesu.log"),
                  R"("delivery.example.org","sender","tfuwfu","/incoming","21","*.csv","1","0","3","PM")");
    Program program;
    startUp(program);
    program.form.setWindowTitle(QStringLiteral("Tolvane - Idle"));
    program.form.Check1->setChecked(true);
    program.form.Label18->setText(QStringLiteral("Last Download on Sun 6th Dec"));
    program.form.show();
    app.processEvents();
    return program.form.grab().save(output) ? 0 : 1;
}
