#pragma once
// The windows' named actions and the push buttons that stand for them.

#include <QKeySequence>
#include <map>
#include <string>

class QAction;
class QPushButton;
class QWidget;

namespace vrnx2 {

// An action of `owner` named `name` (its objectName, which tests find it by), with the
// caption of message `captionId` and the shortcut `key`. With `addToOwner` the action is
// added to `owner`, so its shortcut works anywhere in that window.
QAction* MakeNamedAction(QWidget* owner, const char* name, const char* captionId,
                         const QKeySequence& key, bool addToOwner);

// A window's actions by name, made as MakeNamedAction makes them.
class NamedActions {
public:
    NamedActions(QWidget* owner, bool addToOwner) : owner_(owner), addToOwner_(addToOwner) {}
    QAction* Make(const char* name, const char* captionId, const QKeySequence& key = {});
    // Null for a name never made.
    QAction* Find(const std::string& name) const;

private:
    QWidget* owner_;
    bool addToOwner_;
    std::map<std::string, QAction*> actions_;
};

// A push button named "<action>_Button" that triggers `action` and follows its enabled
// state; without text it shows the caption as its tool tip.
QPushButton* ActionButton(QAction* action, QWidget* parent, bool withText = true);

}  // namespace vrnx2
