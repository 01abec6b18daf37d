// The `cantorelle` executable: the program on its own threads, its windows in Qt.
#include <QApplication>

#include "frontend/qt/qt_frontend.h"
#include "runtime/thread/thread.h"
#include "shell/ProgramMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cantorelle"));
    QApplication::setQuitOnLastWindowClosed(false);  // the program decides when it ends

    int rc = 0;
    {
        qtfe::QtFrontEnd fe;
        QObject::connect(&fe, &qtfe::QtFrontEnd::programEnded, &app, &QApplication::quit);
        fe.install();
        rt::startProgram(&ProgramMain);
        rc = app.exec();
        fe.uninstall();
    }
    rt::joinProgram();
    return rc;
}
