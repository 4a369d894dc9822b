#include "vrnx2/builders/ui/BuilderWindows.h"

#include "vrnx2/builders/ui/DLG_SELECTBUILDER.h"
#include "vrnx2/builders/ui/REGISTER_BUILDER.h"

namespace vrnx2 {

bool OpenBuilderRegistration(QWidget* parent) {
    TREGISTER_BUILDER_FORM form(parent);
    form.exec();
    return form.Changed();
}

bool SelectBuilder(QWidget* parent, TBuilderRec& chosen) {
    TSelectBuilder_Dialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.Chosen()) return false;
    chosen = *dialog.Chosen();
    return true;
}

}  // namespace vrnx2
