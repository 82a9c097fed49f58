#include "serial/reletest.h"

#include "ui_reletest.h"

#include <QtCore/QTimer>

#include <array>

Reletest::Reletest(QString *states, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::Reletest>())
    , states(states)
{
    ui->setupUi(this);
    connect(ui->teszt, &QPushButton::clicked, this, &Reletest::rele_test);

    const std::array<QCheckBox *, 4> boxes{ui->ki1, ui->ki2, ui->ki3, ui->ki4};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setChecked(states && i < states->size() && states->at(i) == QLatin1Char('1'));
}

Reletest::~Reletest() = default;

void Reletest::rele_test()
{
    const std::array<QCheckBox *, 4> boxes{ui->ki1, ui->ki2, ui->ki3, ui->ki4};
    if (states) {
        *states = QStringLiteral("0000");
        for (int i = 0; i < 4; ++i) {
            if (boxes[i]->isChecked())
                (*states)[i] = QLatin1Char('1');
        }
    }
    // The short delay lets the button's pressed look show before the dialog goes.
    QTimer::singleShot(50, this, &QDialog::accept);
}
