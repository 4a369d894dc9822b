#include "vrnx2/controls/ui/ActionButton.h"

#include <QAction>
#include <QPushButton>
#include <QWidget>

#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/WindowSetup.h"

namespace vrnx2 {

QAction* MakeNamedAction(QWidget* owner, const char* name, const char* captionId,
                         const QKeySequence& key, bool addToOwner) {
    auto* action = new QAction(MsgText(captionId), owner);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) action->setShortcut(key);
    if (addToOwner) owner->addAction(action);
    return action;
}

QAction* NamedActions::Make(const char* name, const char* captionId, const QKeySequence& key) {
    QAction* action = MakeNamedAction(owner_, name, captionId, key, addToOwner_);
    actions_[name] = action;
    return action;
}

QAction* NamedActions::Find(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QPushButton* ActionButton(QAction* action, QWidget* parent, bool withText) {
    auto* button = new QPushButton(withText ? action->text() : QString(), parent);
    button->setObjectName(action->objectName() + QStringLiteral("_Button"));
    button->setEnabled(action->isEnabled());
    if (!withText) button->setToolTip(WithoutAccelerator(action->text()));
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

}  // namespace vrnx2
