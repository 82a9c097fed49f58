#include "app/about.h"

#include "ui_about.h"

const char kProgramTitle[] = "Kordavo 32/128 letöltő szoftver v2.62";

about::about(const QString &infoLine1, const QString &infoLine2, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::about>())
{
    ui->setupUi(this);
    ui->label_v->setText(QString::fromUtf8(kProgramTitle));
    ui->label_comp->setText(infoLine1);
    ui->label_wby->setText(infoLine2);
}

about::~about() = default;
