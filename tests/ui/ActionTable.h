#pragma once
// The table of a window's named actions: each name with the message of its caption and its
// shortcut, checked against the action the window makes.

#include <QAction>
#include <QKeySequence>
#include <QString>
#include <QTest>
#include <initializer_list>

#include "vrnx2/controls/ui/WindowSetup.h"

struct ActionRow {
    const char* name;
    const char* id;  // message of the caption
    QKeySequence key;
};

// The _data part: columns name, caption and key, a row per action.
inline void AddActionRows(std::initializer_list<ActionRow> rows) {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("key");
    for (const ActionRow& r : rows)
        QTest::newRow(r.name) << QString::fromLatin1(r.name) << vrnx2::MsgText(r.id) << r.key;
}

// The check for the current row; `find` gives the window's action by its name.
template <class Find>
void CheckActionRow(Find find) {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, key);
    QAction* action = find(name.toStdString());
    QVERIFY(action);
    QCOMPARE(action->objectName(), name);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut(), key);
}
