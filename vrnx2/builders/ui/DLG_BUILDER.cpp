#include "vrnx2/builders/ui/DLG_BUILDER.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "platform/Path.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/builders/BuilderList.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace {

QString WithoutTrailingSeparator(const QString& path) {
    return Qs(platform::WithoutTrailingSeparators(Ss(path)));
}

// The path box: a folder dropped from the desktop loses its trailing separator and brings
// the dialog to the front, where the person goes on with it.
class BuilderPathEdit : public TEllipsisEdit {
public:
    using TEllipsisEdit::TEllipsisEdit;

protected:
    void dropEvent(QDropEvent* event) override {
        TEllipsisEdit::dropEvent(event);
        if (!event->isAccepted()) return;
        setText(WithoutTrailingSeparator(text()));
        window()->raise();
        window()->activateWindow();
    }
};

}  // namespace

TBUILDER_DLG::TBUILDER_DLG(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BUILDER_DLG"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* nameLabel = new QLabel(MsgText(kMsgBuilderName), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("ED01"));
    name_->setMaxLength(50);
    nameLabel->setBuddy(name_);

    auto* pathLabel = new QLabel(MsgText(kMsgBuilderPathLabel), this);
    path_ = new BuilderPathEdit(this);
    path_->setObjectName(QStringLiteral("EE01"));
    path_->SetEllipsisHint(MsgText(kMsgPleaseSpecifyBuilderPath));
    pathLabel->setBuddy(path_);
    connect(path_, &TEllipsisEdit::OnEllipsisClick, this, [this] { BrowseForPath(); });
    path_->installEventFilter(this);

    QHBoxLayout* buttons = MakeOkCancel(this, "CANCEL").row;

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(name_, 0, 1);
    fields->addWidget(pathLabel, 1, 0);
    fields->addWidget(path_, 1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(fields);
    outer->addStretch(1);
    outer->addLayout(buttons);

    ApplyWindowFonts(this);
    layout()->activate();
    FitDialog(this, QSize(472, 148), true);
    name_->setFocus();
}

QString TBUILDER_DLG::Name() const {
    return name_->text();
}

QString TBUILDER_DLG::Path() const {
    return path_->text();
}

void TBUILDER_DLG::SetFields(const QString& name, const QString& path) {
    name_->setText(name);
    path_->setText(path);
}

void TBUILDER_DLG::BrowseForPath() {
    std::string path = path_->text().toStdString();
    if (BrowseForFolder(Msg(kMsgPleaseSpecifyBuilderPath), path, true))
        path_->setText(WithoutTrailingSeparator(QString::fromStdString(path)));
}

void TBUILDER_DLG::accept() {
    switch (ValidateBuilderFields(Name().toStdString(), Path().toStdString())) {
        case BuilderField::Name:
            name_->setFocus();
            return;
        case BuilderField::Path:
            path_->setFocus();
            return;
        case BuilderField::None:
            QDialog::accept();
    }
}

bool TBUILDER_DLG::eventFilter(QObject* watched, QEvent* event) {
    if (watched == path_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
            BrowseForPath();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vrnx2
