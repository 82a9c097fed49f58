#pragma once

#include <QtCore/QString>
#include <QtWidgets/QDialog>

#include <memory>

namespace Ui {
class Reletest;
}

// The relay test dialog: shows which outputs are on and lets the user tick
// the ones that shall be on. "Teszt !" writes the choice into the caller's
// output state string (output 1 first, "1" = on); Cancel leaves it alone.
class Reletest : public QDialog
{
    Q_OBJECT

public:
    Reletest(QString *states, QWidget *parent = nullptr);
    ~Reletest() override;

public slots:
    void rele_test();

private:
    std::unique_ptr<Ui::Reletest> ui;
    QString *states = nullptr;   // not owned
};
