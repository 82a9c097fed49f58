#include "app/appearance.h"
#include "app/mainwindow.h"

#include <QtWidgets/QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    applyProgramFont();
    installQtTranslation();
    MainWindow window;
    window.show();
    return app.exec();
}
