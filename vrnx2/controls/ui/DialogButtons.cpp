#include "vrnx2/controls/ui/DialogButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/controls/ui/WindowSetup.h"

namespace vrnx2 {

DialogButtons MakeOkCancel(QDialog* dialog, const char* cancelName) {
    DialogButtons b;
    b.ok = new QPushButton(MsgText(kMsgOK), dialog);
    b.ok->setObjectName(QStringLiteral("OK"));
    b.ok->setDefault(true);
    b.cancel = new QPushButton(MsgText(kMsgCancel), dialog);
    b.cancel->setObjectName(QString::fromLatin1(cancelName));
    QObject::connect(b.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    b.row = new QHBoxLayout;
    b.row->addStretch(1);
    b.row->addWidget(b.ok);
    b.row->addWidget(b.cancel);
    return b;
}

QHBoxLayout* MakeOkApplyCancel(QDialog* dialog, QAction* ok, QAction* apply, QWidget* leading) {
    QPushButton* okButton = ActionButton(ok, dialog);
    okButton->setDefault(true);
    // Made in their order on screen, which is the order of the Tab key.
    QPushButton* applyButton = ActionButton(apply, dialog);
    auto* cancel = new QPushButton(MsgText(kMsgCancel), dialog);
    cancel->setObjectName(QStringLiteral("CANCEL_Button"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    if (leading)
        row->addWidget(leading, 1);
    else
        row->addStretch(1);
    row->addWidget(okButton);
    row->addWidget(applyButton);
    row->addWidget(cancel);
    return row;
}

}  // namespace vrnx2
