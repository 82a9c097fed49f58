#pragma once

#include "serial/outputmask.h"

#include <QtWidgets/QDialog>

#include <memory>

namespace Ui {
class Reletest;
}

// The relay test dialog: shows which outputs are on and lets the user tick
// the ones that shall be on. "Teszt !" writes the choice into the caller's
// mask; Cancel leaves it alone.
class Reletest : public QDialog
{
    Q_OBJECT

public:
    Reletest(OutputMask *outputs, QWidget *parent = nullptr);
    ~Reletest() override;

public slots:
    void rele_test();

private:
    std::unique_ptr<Ui::Reletest> ui;
    OutputMask *outputs = nullptr;   // not owned
};
