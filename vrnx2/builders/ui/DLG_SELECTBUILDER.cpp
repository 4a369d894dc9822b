#include "vrnx2/builders/ui/DLG_SELECTBUILDER.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/builders/BuilderList.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/WindowSetup.h"

namespace vrnx2 {

TSelectBuilder_Dialog::TSelectBuilder_Dialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SelectBuilder_Dialog"));
    setWindowTitle(MsgText(kMsgSelectBuilderTitle));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* label = new QLabel(MsgText(kMsgPleaseSelectBuilder), this);
    label->setObjectName(QStringLiteral("lblCB01"));
    list_ = new QComboBox(this);
    list_->setObjectName(QStringLiteral("CB01"));
    list_->setEditable(false);
    label->setBuddy(list_);

    for (const TBuilderRec& b : SelectableBuilders()) {
        AddBuilderRec(entries_, b.Name, b);
        list_->addItem(QString::fromStdString(b.Name));
    }
    list_->setCurrentIndex(entries_.Count() > 0 ? 0 : -1);

    const DialogButtons okCancel = MakeOkCancel(this, "CANCEL");
    ok_ = okCancel.ok;
    // Nothing to choose: a profile cannot be made without a builder.
    ok_->setEnabled(entries_.Count() > 0);
    QHBoxLayout* buttons = okCancel.row;
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(label);
    outer->addWidget(list_);
    outer->addStretch(1);
    outer->addLayout(buttons);

    ApplyWindowFonts(this);
    layout()->activate();
    FitDialog(this, QSize(360, 94), true);
}

const TBuilderRec* TSelectBuilder_Dialog::Chosen() const {
    const int index = list_->currentIndex();
    return index >= 0 && index < entries_.Count() ? GetBuilderRec(entries_, index) : nullptr;
}

void TSelectBuilder_Dialog::accept() {
    if (!Chosen()) return;
    QDialog::accept();
}

}  // namespace vrnx2
