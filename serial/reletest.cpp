#include "serial/reletest.h"

#include "ui_reletest.h"

#include <QtCore/QTimer>

#include <array>

Reletest::Reletest(OutputMask *outputs, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::Reletest>())
    , outputs(outputs)
{
    ui->setupUi(this);
    connect(ui->teszt, &QPushButton::clicked, this, &Reletest::rele_test);

    const std::array<QCheckBox *, 4> boxes{ui->ki1, ui->ki2, ui->ki3, ui->ki4};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setChecked(outputs && outputs->isOn(i + 1));
}

Reletest::~Reletest() = default;

void Reletest::rele_test()
{
    const std::array<QCheckBox *, 4> boxes{ui->ki1, ui->ki2, ui->ki3, ui->ki4};
    if (outputs) {
        for (int i = 0; i < 4; ++i)
            outputs->setOn(i + 1, boxes[i]->isChecked());
    }
    // The short delay lets the button's pressed look show before the dialog goes.
    QTimer::singleShot(50, this, &QDialog::accept);
}
