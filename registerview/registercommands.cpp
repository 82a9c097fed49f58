#include "registerview/registercommands.h"

#include "document/documentcommands.h"
#include "document/configuration.h"
#include "document/windowstate.h"
#include "forms/prompter.h"
#include "register/registerrecorder.h"
#include "register/transferrecord.h"
#include "registerview/registerclient.h"
#include "registerview/registerwindow.h"
#include "sheet/handoversheet.h"
#include "sheet/sheetsources.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QStatusBar>

namespace {

const QString kSheetTitle = QStringLiteral("Átadási lap");

// A file name made of the site's name: no folder separators or characters
// a Windows folder refuses.
QString suggestedFile(const handover::Sheet &sheet)
{
    QString name = sheet.siteName;
    if (name.isEmpty())
        name = sheet.configuration.general.at(size_t(generalfields::indexOf(QStringLiteral("m_nev")))).trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral(" "));
    name = name.simplified();
    return QDir::current().filePath(name.isEmpty() ? QStringLiteral("atadasi-lap.pdf")
                                                   : QStringLiteral("Átadási lap – %1.pdf").arg(name));
}

} // namespace

RegisterCommands::RegisterCommands(QWidget *window, QStatusBar *statusBar, WindowState &state,
                                   DocumentCommands &document)
    : window(window)
    , statusBar(statusBar)
    , state(state)
    , document(document)
{
}

RegisterCommands::~RegisterCommands() = default;

RegisterClient &RegisterCommands::client()
{
    if (!registerClient)
        registerClient = std::make_unique<RegisterClient>();
    return *registerClient;
}

RegisterWindow &RegisterCommands::windowed()
{
    if (!view) {
        view = std::make_unique<RegisterWindow>(client());
        view->setWindowIcon(window->windowIcon());
        connect(view.get(), &RegisterWindow::loadIntoForm, this, &RegisterCommands::loadVersion);
        connect(view.get(), &RegisterWindow::sheetRequested, this, &RegisterCommands::sheetOfVersion);
        connect(view.get(), &RegisterWindow::installerNameRequested, this, &RegisterCommands::changeInstallerName);
    }
    return *view;
}

void RegisterCommands::showSites()
{
    windowed().showSites();
}

void RegisterCommands::findNumber()
{
    windowed().showNumberSearch();
}

void RegisterCommands::loadVersion(const QByteArray &krv, const QString &name)
{
    // A device command's dialog stands over the form, which the command may
    // still read or write: the version waits for the user to ask again.
    if (QApplication::activeModalWidget()) {
        prompt::information(view.get(), QStringLiteral("Nyilvántartás"),
                            QStringLiteral("Az űrlapot most egy parancs használja; a változatot a parancs "
                                           "végeztével töltse be."));
        return;
    }
    // The form is what the user wants to see now.
    window->raise();
    window->activateWindow();
    document.openVersion(krv, name);
}

void RegisterCommands::sheetOfForm()
{
    const Configuration form = document.formConfiguration();
    // The model is the module's only once a module has said which it is.
    const QString identification = state.moduleIdentification();
    const int memory = identification.isEmpty() ? 0 : state.moduleMemory();
    const QString source = state.fileName().isEmpty() ? QStringLiteral("az űrlap")
                                                      : QStringLiteral("az űrlap (%1)").arg(state.fileName());
    if (!client().unavailable().isEmpty()) {
        makeSheet(handover::sheetOfConfiguration(nullptr, form, memory, identification, source), window);
        return;
    }
    client().ask(
        this,
        [form, memory, identification, source](siteregister::SiteRegister &site) {
            return handover::sheetOfConfiguration(&site, form, memory, identification, source);
        },
        [this](const handover::Sheet &sheet) { makeSheet(sheet, window); });
}

void RegisterCommands::sheetOfVersion(qint64 siteId, int version)
{
    client().ask(
        this,
        [siteId, version](siteregister::SiteRegister &site) {
            QString problem;
            const std::optional<handover::Sheet> sheet = handover::sheetOfVersion(site, siteId, version, &problem);
            return std::make_pair(sheet, problem);
        },
        [this](const std::pair<std::optional<handover::Sheet>, QString> &answer) {
            if (!answer.first) {
                prompt::critical(view.get(), kSheetTitle,
                                 QStringLiteral("Az átadási lap nem készíthető el: %1.").arg(answer.second));
                return;
            }
            makeSheet(*answer.first, view.get());
        });
}

void RegisterCommands::makeSheet(handover::Sheet sheet, QWidget *parent)
{
    if (sheet.installer.isEmpty()) {
        const std::optional<QString> name = Prompter::instance().text(
            parent, kSheetTitle, QStringLiteral("A telepítő neve az átadási lapon (a nyilvántartás megjegyzi):"),
            QString());
        if (!name)
            return;
        sheet.installer = name->trimmed();
        if (!sheet.installer.isEmpty() && client().unavailable().isEmpty())
            client().ask(
                this,
                [login = siteregister::currentLogin(), installer = sheet.installer](siteregister::SiteRegister &site) {
                    return site.setInstallerName(login, installer);
                },
                [](bool) {});
    }
    QString path = Prompter::instance().newFileName(parent, QStringLiteral("Átadási lap mentése"),
                                                    suggestedFile(sheet), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    if (QFileInfo::exists(path)
        && !Prompter::instance().question(parent, kSheetTitle,
                                          QStringLiteral("A(z) „%1” fájl már létezik. Felülírja?")
                                              .arg(QDir::toNativeSeparators(path))))
        return;
    QString error;
    if (!handover::writePdf(sheet, path, &error)) {
        prompt::critical(parent, kSheetTitle,
                         QStringLiteral("Az átadási lap nem menthető: %1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    prompt::information(parent, kSheetTitle,
                        QStringLiteral("Az átadási lap elkészült: %1").arg(QDir::toNativeSeparators(path)));
}

void RegisterCommands::changeInstallerName()
{
    if (!client().unavailable().isEmpty())
        return;
    client().ask(
        this, [](siteregister::SiteRegister &site) { return handover::keptInstallerName(&site); },
        [this](const QString &kept) {
            const std::optional<QString> name = Prompter::instance().text(
                view.get(), kSheetTitle, QStringLiteral("A telepítő neve az átadási lapokon:"), kept);
            if (!name || name->trimmed() == kept)
                return;
            client().ask(
                this,
                [login = siteregister::currentLogin(), installer = name->trimmed()](siteregister::SiteRegister &site) {
                    return site.setInstallerName(login, installer) ? QString() : site.problem();
                },
                [this](const QString &problem) {
                    if (!problem.isEmpty())
                        prompt::warning(view.get(), kSheetTitle,
                                        QStringLiteral("A név nem menthető: %1.").arg(problem));
                });
        });
}

void RegisterCommands::record(const siteregister::TransferRecord &record)
{
    if (!recorder) {
        recorder = new siteregister::RegisterRecorder(this);
        connect(recorder, &siteregister::RegisterRecorder::recorded, this, &RegisterCommands::showOutcome);
    }
    recorder->record(record);
}

void RegisterCommands::showOutcome(const siteregister::RecordOutcome &outcome)
{
    using Status = siteregister::RecordOutcome::Status;
    QString text;
    if (outcome.tell && !outcome.problem.isEmpty())
        text = outcome.problem + QLatin1Char('.');
    else if (outcome.status == Status::Recorded || outcome.status == Status::Verified || outcome.status == Status::Queued)
        text = outcome.text;
    if (!recordLabel && !text.isEmpty()) {
        recordLabel = new QLabel(window);
        recordLabel->setObjectName(QStringLiteral("registerLabel"));
        // A long reason is cut at the window's fixed edge, never widens it; the tooltip holds it whole.
        recordLabel->setMinimumWidth(1);
        statusBar->addWidget(recordLabel, 0);
    }
    if (recordLabel) {
        // A problem already told is not told again; the last success would mislead.
        recordLabel->setText(text.isEmpty() ? QString() : QStringLiteral("Nyilvántartás: %1").arg(text));
        recordLabel->setToolTip(recordLabel->text());
    }
    if (view && view->isVisible() && outcome.written())
        view->refresh();
}
