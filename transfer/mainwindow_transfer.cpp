#include "app/mainwindow.h"

#include "forms/mainwindow_form.h"

// Filled in with the configuration transfer.
bool MainWindow::buildConfigImage() { return false; }
bool MainWindow::applyConfigImage(const QString &) { return false; }
void MainWindow::download() {}
void MainWindow::readup() {}
void MainWindow::verify() {}
