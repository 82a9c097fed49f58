#include "app/mainwindow.h"

// Filled in with the About box and the help document.
void MainWindow::nevjegy() {}
void MainWindow::contents() {}
