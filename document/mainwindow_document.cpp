#include "app/mainwindow.h"

#include "app/prompter.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/fieldrules.h"
#include "document/generalfields.h"
#include "document/smspresets.h"
#include "forms/mainwindow_form.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QScopedValueRollback>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStatusBar>

namespace {

const QString kDefaultConfiguration = QStringLiteral("kordavo_default.dll");
const QString kFileFilter = QStringLiteral("Kordavo Files (*.krv)");
const QString kFileErrorTitle = QStringLiteral("File hiba");
const QString kLineBreakInField = QStringLiteral(
    "A(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene. Javítsa ki a mezőt, "
    "majd mentse újra!");

} // namespace

void MainWindow::rejectField(QLineEdit *field, const QString &title, const QString &message)
{
    // The rejected text is discarded, and the user is taken to the field.
    const QScopedValueRollback<bool> guard(reportingRejection, true);
    field->clear();
    field->setFocus(Qt::OtherFocusReason);
    prompt::warning(this, title, message);
}

void MainWindow::showFieldProblem(QLineEdit *field, const QString &title, const QString &message)
{
    // The focus moves while the box is up; they are not the user leaving a field.
    const QScopedValueRollback<bool> guard(reportingRejection, true);
    for (QWidget *w = field; w; w = w->parentWidget()) {
        if (ui->tabWidget->indexOf(w) >= 0) {
            ui->tabWidget->setCurrentWidget(w);
            break;
        }
    }
    field->setFocus(Qt::OtherFocusReason);
    prompt::critical(this, title, message);
}

bool MainWindow::refuseUnsavableField()
{
    const std::optional<configfile::UnsavableField> unsavable = configfile::unsavableField(formConfiguration());
    if (!unsavable)
        return false;
    const int field = unsavable->field;
    const bool isGeneral = field < configfile::kGeneralLines;
    const int number = field - configfile::kGeneralLines + 1;
    QLineEdit *edit = isGeneral ? generalLineEdits().at(field) : telephoneEdit(number);
    const QString name =
        isGeneral ? generalfields::generalFieldName(field) : generalfields::telephoneFieldName(number);
    if (unsavable->reason == configfile::UnsavableField::Reason::Terminator)
        showFieldProblem(edit, kFileErrorTitle,
                         QStringLiteral("A(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét "
                                        "jelentené. Javítsa ki a mezőt, majd mentse újra!")
                             .arg(name));
    else
        showFieldProblem(edit, kFileErrorTitle, kLineBreakInField.arg(name));
    return true;
}

void MainWindow::newfile()
{
    fileName = kDefaultConfiguration;
    filePath = kDefaultConfiguration;
    loadConfiguration(true);
}

void MainWindow::openfile()
{
    filePath = Prompter::instance().openFileName(this, QStringLiteral("Fájl megnyitása"),
                                                 QStringLiteral("."), kFileFilter);
    if (filePath.isNull())
        return;
    loadConfiguration(false);
}

Configuration MainWindow::formConfiguration() const
{
    Configuration configuration;
    const auto general = generalLineEdits();
    for (int i = 0; i < general.size() && i < int(configuration.general.size()); ++i)
        configuration.general[size_t(i)] = general[i]->text();
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        if (const QLineEdit *edit = telephoneEdit(n))
            configuration.telephones[size_t(n - 1)].number = edit->text();
    }
    // Every box counts, on disabled pages too.
    configuration.setDigits(telephoneKeyValues());
    return configuration;
}

void MainWindow::showConfiguration(const Configuration &configuration, int entries)
{
    // setText cuts every value to the field's maximum length.
    const auto general = generalLineEdits();
    for (int i = 0; i < general.size() && i < int(configuration.general.size()); ++i) {
        general[i]->clear();
        general[i]->setText(configuration.general.at(size_t(i)));
    }
    for (int n = 1; n <= entries; ++n) {
        if (QLineEdit *edit = telephoneEdit(n)) {
            edit->clear();
            edit->setText(configuration.telephones.at(size_t(n - 1)).number);
        }
    }
    // Entries past `entries` count as having no ticks.
    const QHash<int, int> keys = configuration.keyValues(entries);
    const auto boxes = telephoneCheckBoxes();
    for (QCheckBox *box : boxes) {
        box->setChecked(configfile::boxTicked(keys, box->property("group").toString()));
    }
}

void MainWindow::save()
{
    if (refuseUnsavableField())
        return;
    const QString name = Prompter::instance().saveFileName(this, QStringLiteral("Save File"),
                                                           QStringLiteral("."), kFileFilter);
    if (name.isEmpty())
        return;

    // All 128 entries, whatever the module's memory size.
    QString error;
    const QByteArray bytes = configfile::formatLines(configfile::toLines(formConfiguration()));
    if (!configfile::writeFile(name, bytes, &error)) {
        prompt::critical(this, kFileErrorTitle,
                         QStringLiteral("A fájl mentése nem sikerült: %1\n%2")
                             .arg(QDir::toNativeSeparators(name), error));
        return;
    }

    filePath = name;
    fileName = configfile::displayName(name);
    fileLabel->setText(fileName);
    prompt::information(this, QStringLiteral("Mentés"), QStringLiteral("Sikeres mentés."));
}

void MainWindow::loadConfiguration(bool isDefault)
{
    if (!QFileInfo::exists(filePath)) {
        if (filePath != kDefaultConfiguration)
            prompt::critical(this, kFileErrorTitle, QStringLiteral("A kiválasztott fájl nem létezik."));
        return;
    }

    const QStringList lines = configfile::readFile(filePath);
    const std::optional<Configuration> configuration = configfile::fromLines(lines);
    if (!configuration) {
        prompt::critical(this, kFileErrorTitle,
                         QStringLiteral("Nem lehet megnyitni a fájlt. Tipp: ellenőrizze a fájl szintaxisát."));
        return;
    }
    // Every number and every box is loaded, as the module's model lets the
    // form hold it: a locked page that kept an earlier file's ticks would
    // send and save them with this file's numbers once it opens.
    showConfiguration(configuration->fittedTo(moduleModel), configfile::kTelephoneEntries);

    if (isDefault) {
        if (lines.size() > configfile::kConfigurationLines)
            infoLine1 = lines.at(configfile::kConfigurationLines);
        if (lines.size() > configfile::kConfigurationLines + 1)
            infoLine2 = lines.at(configfile::kConfigurationLines + 1);
        if (!linkLabel) {
            linkLabel = new QLabel(this);
            linkLabel->setOpenExternalLinks(true);
            statusBar()->insertWidget(2, linkLabel, 0);
        }
        linkLabel->setText(infoLine1);
    }

    fileName = configfile::displayName(filePath);
    fileLabel->setText(fileName);

    selectSmsPresetFor(ui->smskp->text());

    if (!isDefault)
        prompt::information(this, QStringLiteral("Megnyitás."),
                            fileName + QStringLiteral(" sikeresen megnyitva."));
}

void MainWindow::smskpSelect()
{
    const QString entry = ui->smskp_combo->currentText();
    if (entry == smspresets::customEntry()) {
        ui->smskp->setEnabled(true);
        ui->smskp->setFocus(Qt::OtherFocusReason);
    } else {
        ui->smskp->setEnabled(false);
    }
    const QString number = smspresets::numberForEntry(entry);
    if (!number.isNull())
        ui->smskp->setText(number);
}

void MainWindow::selectSmsPresetFor(const QString &number)
{
    // Selecting another entry runs smskpSelect(); the current one stays as it is.
    ui->smskp_combo->setCurrentIndex(smspresets::indexForNumber(number));
}

void MainWindow::checkFieldGroup(const QList<QWidget *> &containers)
{
    if (reportingRejection)
        return;
    for (QWidget *container : containers) {
        const bool telephonePage = container != ui->g1 && container != ui->g2_ki && container != ui->g2_be;
        const auto edits = container->findChildren<QLineEdit *>();
        for (QLineEdit *edit : edits) {
            // A locked field cannot be corrected by the user, so it is not judged
            // (the reduced models lock m_id with "-", which must not block downloads).
            if (!edit->isEnabled())
                continue;
            const std::optional<fieldrules::Rule> broken =
                telephonePage ? std::make_optional(fieldrules::telephoneRule())
                              : fieldrules::brokenGeneralRule(edit->objectName(), edit->text());
            if (broken && !broken->passes(edit->text())) {
                rejectField(edit, broken->title, broken->message);
                return;
            }
        }
    }
}

void MainWindow::input_g1()
{
    checkFieldGroup({ui->g1});
}

// The input messages and output commands take any text but what would break
// their record or the file: "|" and a whole "---".
void MainWindow::input_g2()
{
    checkFieldGroup({ui->g2_ki, ui->g2_be});
}

void MainWindow::input_g3()
{
    checkFieldGroup({ui->g3});
}

void MainWindow::input_g4()
{
    checkFieldGroup({ui->g4});
}

void MainWindow::input_g5()
{
    checkFieldGroup({ui->g5});
}

void MainWindow::input_g6()
{
    checkFieldGroup({ui->g6});
}

void MainWindow::input_tel_edit()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    const QString text = edit->text();
    const QString stripped = fieldrules::withoutLeadingPlus(text);
    if (stripped != text)
        edit->setText(stripped);
}
