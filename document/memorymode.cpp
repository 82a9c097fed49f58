#include "document/memorymode.h"

#include "document/modulemodel.h"
#include "document/windowstate.h"
#include "forms/mainwindow_form.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLineEdit>

MemoryMode::MemoryMode(Ui::MainWindow &ui, WindowState &state)
    : ui(ui)
    , state(state)
{
}

void MemoryMode::apply(int memory)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    const bool wasReduced = state.moduleModel().reduced;
    state.setModuleModel(model);
    // The pages past the module's memory are greyed and cannot be edited.
    const int usedPages = model.entries / kNumbersPerPage;
    int page = 0;
    for (QWidget *widget : ui.telephonePages())
        widget->setEnabled(page++ < usedPages);

    if (model.reduced) {
        // The reduced models hold no identifier, names or messages: the form
        // locks them (the message and command fields through their locked
        // groups), and on entering the variant shows the placeholders the
        // module accepts. A file opened or a module read out since stays as
        // it is when the module reports itself again (every status query).
        for (const modulemodel::Placeholder &placeholder : modulemodel::kReducedPlaceholders) {
            auto *field = ui.tab->findChild<QLineEdit *>(QLatin1String(placeholder.objectName));
            if (!field)
                continue;
            if (field->parentWidget() == ui.g1)
                field->setEnabled(false);
            if (!wasReduced)
                field->setText(QLatin1String(placeholder.text));
        }
        ui.g2_be->setEnabled(false);
        ui.g2_ki->setEnabled(false);
        const auto boxes = ui.telephoneCheckBoxes();
        for (QCheckBox *box : boxes) {
            if (!wasReduced)
                box->setChecked(false);
            box->setEnabled(false);
        }
        return;
    }

    for (QWidget *w : std::initializer_list<QWidget *>{ui.m_id, ui.m_nev, ui.visszaallas,
                                                       ui.be1_nev, ui.be2_nev, ui.g2_be,
                                                       ui.g2_ki})
        w->setEnabled(true);
    const auto boxes = ui.telephoneCheckBoxes();
    for (QCheckBox *box : boxes)
        box->setEnabled(true);
}
