#include "document/documentcommands.h"

#include "document/configfile.h"
#include "document/configuration.h"
#include "document/fieldchecks.h"
#include "document/generalfields.h"
#include "document/smspresets.h"
#include "document/windowstate.h"
#include "forms/mainwindow_form.h"
#include "forms/prompter.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
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

DocumentCommands::DocumentCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state,
                                   FieldChecks &checks, QLabel *fileLabel)
    : ui(ui)
    , window(window)
    , state(state)
    , checks(checks)
    , fileLabel(fileLabel)
{
}

bool DocumentCommands::refuseUnsavableField()
{
    const std::optional<configfile::UnsavableField> unsavable = configfile::unsavableField(formConfiguration());
    if (!unsavable)
        return false;
    const int field = unsavable->field;
    const bool isGeneral = field < configfile::kGeneralLines;
    const int number = field - configfile::kGeneralLines + 1;
    QLineEdit *edit = isGeneral ? ui.generalLineEdits().at(field) : ui.telephoneEdit(number);
    const QString name =
        isGeneral ? generalfields::generalFieldName(field) : generalfields::telephoneFieldName(number);
    if (unsavable->reason == configfile::UnsavableField::Reason::Terminator)
        checks.showFieldProblem(edit, kFileErrorTitle,
                                QStringLiteral("A(z) „%1” mező tartalma „---”, amely a fájlban a fájl "
                                               "végét jelentené. Javítsa ki a mezőt, majd mentse újra!")
                                    .arg(name));
    else
        checks.showFieldProblem(edit, kFileErrorTitle, kLineBreakInField.arg(name));
    return true;
}

void DocumentCommands::newFile()
{
    state.setFileName(kDefaultConfiguration);
    state.setFilePath(kDefaultConfiguration);
    loadConfiguration(true);
}

void DocumentCommands::openFile()
{
    state.setFilePath(Prompter::instance().openFileName(window, QStringLiteral("Fájl megnyitása"),
                                                        QStringLiteral("."), kFileFilter));
    if (state.filePath().isNull())
        return;
    loadConfiguration(false);
}

Configuration DocumentCommands::formConfiguration() const
{
    Configuration configuration;
    const auto general = ui.generalLineEdits();
    for (int i = 0; i < general.size() && i < int(configuration.general.size()); ++i)
        configuration.general[size_t(i)] = general[i]->text();
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        if (const QLineEdit *edit = ui.telephoneEdit(n))
            configuration.telephones[size_t(n - 1)].number = edit->text();
    }
    // Every box counts, on disabled pages too.
    configuration.setDigits(telephoneKeyValues());
    return configuration;
}

QHash<int, int> DocumentCommands::telephoneKeyValues() const
{
    QList<configfile::FlagBox> flags;
    const auto boxes = ui.telephoneCheckBoxes();
    for (const QCheckBox *box : boxes)
        flags.append({box->property("group").toString(), box->isChecked()});
    return configfile::keyValues(flags);
}

void DocumentCommands::showConfiguration(const Configuration &configuration, int entries)
{
    // setText cuts every value to the field's maximum length.
    const auto general = ui.generalLineEdits();
    for (int i = 0; i < general.size() && i < int(configuration.general.size()); ++i) {
        general[i]->clear();
        general[i]->setText(configuration.general.at(size_t(i)));
    }
    for (int n = 1; n <= entries; ++n) {
        if (QLineEdit *edit = ui.telephoneEdit(n)) {
            edit->clear();
            edit->setText(configuration.telephones.at(size_t(n - 1)).number);
        }
    }
    // Entries past `entries` count as having no ticks.
    const QHash<int, int> keys = configuration.keyValues(entries);
    const auto boxes = ui.telephoneCheckBoxes();
    for (QCheckBox *box : boxes) {
        box->setChecked(configfile::boxTicked(keys, box->property("group").toString()));
    }
}

void DocumentCommands::save()
{
    if (refuseUnsavableField())
        return;
    const QString name = Prompter::instance().saveFileName(window, QStringLiteral("Save File"),
                                                           QStringLiteral("."), kFileFilter);
    if (name.isEmpty())
        return;

    // All 128 entries, whatever the module's memory size.
    QString error;
    const QByteArray bytes = configfile::formatLines(configfile::toLines(formConfiguration()));
    if (!configfile::writeFile(name, bytes, &error)) {
        prompt::critical(window, kFileErrorTitle,
                         QStringLiteral("A fájl mentése nem sikerült: %1\n%2")
                             .arg(QDir::toNativeSeparators(name), error));
        return;
    }

    state.setFilePath(name);
    state.setFileName(configfile::displayName(name));
    fileLabel->setText(state.fileName());
    prompt::information(window, QStringLiteral("Mentés"), QStringLiteral("Sikeres mentés."));
}

void DocumentCommands::loadConfiguration(bool isDefault)
{
    const QString filePath = state.filePath();
    if (!QFileInfo::exists(filePath)) {
        if (filePath != kDefaultConfiguration)
            prompt::critical(window, kFileErrorTitle, QStringLiteral("A kiválasztott fájl nem létezik."));
        return;
    }

    showLines(configfile::readFile(filePath), isDefault, configfile::displayName(filePath));
}

void DocumentCommands::openVersion(const QByteArray &krv, const QString &name)
{
    QBuffer buffer;
    buffer.setData(krv);
    buffer.open(QIODevice::ReadOnly);
    state.setFilePath(QString());
    showLines(configfile::readLines(buffer), false, name);
}

void DocumentCommands::showLines(const QStringList &lines, bool isDefault, const QString &name)
{
    const std::optional<Configuration> configuration = configfile::fromLines(lines);
    if (!configuration) {
        prompt::critical(window, kFileErrorTitle,
                         QStringLiteral("Nem lehet megnyitni a fájlt. Tipp: ellenőrizze a fájl szintaxisát."));
        return;
    }
    // Every value, number and box is loaded, locked or not: a locked page
    // that kept an earlier file's ticks would send and save them with this
    // file's numbers, and a reduced module's placeholders would replace the
    // file's names on the next save. What a module gets is fitted on sending.
    showConfiguration(configuration->fittedToForm(), configfile::kTelephoneEntries);

    if (isDefault) {
        if (lines.size() > configfile::kConfigurationLines)
            state.setInfoLine1(lines.at(configfile::kConfigurationLines));
        if (lines.size() > configfile::kConfigurationLines + 1)
            state.setInfoLine2(lines.at(configfile::kConfigurationLines + 1));
        if (!linkLabel) {
            linkLabel = new QLabel(window);
            linkLabel->setObjectName(QStringLiteral("linkLabel"));
            linkLabel->setOpenExternalLinks(true);
            ui.statusBar->insertWidget(2, linkLabel, 0);
        }
        linkLabel->setText(state.infoLine1());
    }

    state.setFileName(name);
    fileLabel->setText(state.fileName());

    selectSmsPresetFor(ui.smskp->text());

    if (!isDefault)
        prompt::information(window, QStringLiteral("Megnyitás."),
                            state.fileName() + QStringLiteral(" sikeresen megnyitva."));
}

void DocumentCommands::presetSelected()
{
    const QString entry = ui.smskp_combo->currentText();
    if (entry == smspresets::customEntry()) {
        ui.smskp->setEnabled(true);
        ui.smskp->setFocus(Qt::OtherFocusReason);
    } else {
        ui.smskp->setEnabled(false);
    }
    const QString number = smspresets::numberForEntry(entry);
    if (!number.isNull())
        ui.smskp->setText(number);
}

void DocumentCommands::selectSmsPresetFor(const QString &number)
{
    // Selecting another entry runs smskpSelect(); the current one stays as it is.
    ui.smskp_combo->setCurrentIndex(smspresets::indexForNumber(number));
}
