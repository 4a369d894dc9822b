#pragma once
// The windows' named actions and the push buttons that stand for them.

#include <QKeySequence>

class QAction;
class QPushButton;
class QWidget;

// An action of `owner` named `name` (its objectName, which tests find it by), with the
// caption of message `captionId` and the shortcut `key`. With `addToOwner` the action is
// added to `owner`, so its shortcut works anywhere in that window.
QAction* MakeNamedAction(QWidget* owner, const char* name, const char* captionId,
                         const QKeySequence& key, bool addToOwner);

// A push button named "<action>_Button" that triggers `action` and follows its enabled
// state; without text it shows the caption as its tool tip.
QPushButton* ActionButton(QAction* action, QWidget* parent, bool withText = true);
