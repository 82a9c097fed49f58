#include "app/mainwindow.h"

#include "forms/mainwindow_form.h"

// Filled in with the configuration files, presets and field rules.
void MainWindow::newfile() {}
void MainWindow::openfile() {}
void MainWindow::save() {}
void MainWindow::loadConfiguration(bool) {}
void MainWindow::smskpSelect() {}
void MainWindow::selectSmsPresetFor(const QString &) {}
void MainWindow::checkTelephoneGroup(QWidget *) {}
void MainWindow::input_g1() {}
void MainWindow::input_g2() {}
void MainWindow::input_g3() {}
void MainWindow::input_g4() {}
void MainWindow::input_g5() {}
void MainWindow::input_g6() {}
void MainWindow::input_tel_edit() {}
