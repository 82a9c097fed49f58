#include "app/mainwindow.h"

#include "forms/mainwindow_form.h"

// Filled in with the device commands.
void MainWindow::show_port() {}
void MainWindow::status() {}
void MainWindow::rele_test() {}
