// The builder windows' wiring: action states, what the edit dialog hands back, Apply and
// Cancel, the geometry kept in the store; the edit and selection dialogs.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/ViewRows.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/builders/ui/BuilderWindows.h"
#include "vrnx2/builders/ui/DLG_BUILDER.h"
#include "vrnx2/builders/ui/DLG_SELECTBUILDER.h"
#include "vrnx2/builders/ui/REGISTER_BUILDER.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

const std::string kRoot = kVarnexKey;

void StoreBuilders(const std::vector<std::pair<std::string, std::string>>& builders) {
    RegWriteInteger(0, kRoot, "BuilderCount", static_cast<int32_t>(builders.size()));
    for (size_t i = 0; i < builders.size(); ++i)
        RegWriteString(0, kRoot + "\\PEBuilder", BuilderNumberText(static_cast<int>(i) + 1),
                       BuilderValueData(builders[i].first, builders[i].second));
}

QString Column(const TREGISTER_BUILDER_FORM& form, int column) {
    return test::ColumnText(form.View(), column);
}

QString Enabled(const TREGISTER_BUILDER_FORM& form) {
    QStringList on;
    for (const char* name : {"EDIT_BUILDER", "DELETE_BUILDER", "ITEM_UP", "ITEM_DOWN"})
        if (form.Action(name)->isEnabled()) on << QString::fromLatin1(name);
    return on.join(QLatin1Char(' '));
}

struct EditCall {
    QString caption, name, path;
};

// Answers the edit dialog with `name` and `path` (nothing: Cancel) and logs what it got.
void ScriptEdits(TREGISTER_BUILDER_FORM& form, std::vector<EditCall>& calls,
                 std::optional<std::pair<QString, QString>> answer) {
    form.editBuilder = [&calls, answer](const QString& caption, QString& name, QString& path) {
        calls.push_back({caption, name, path});
        if (!answer) return false;
        name = answer->first;
        path = answer->second;
        return true;
    };
}

}  // namespace

class BuildersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageTable::Instance().LoadBuiltIn(); }
    void init() {
        faulty_store::Reset();
        RegDeleteKey(0, kRoot);
    }

    void opensWithStoredListAndStates() {
        {
            TREGISTER_BUILDER_FORM form;
            QCOMPARE(form.windowTitle(), MsgText("036"));
            QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("GB1"))->title(), MsgText("033"));
            QCOMPARE(form.View()->objectName(), QStringLiteral("LV1"));
            QCOMPARE(form.View()->model()->headerData(0, Qt::Horizontal).toString(),
                     MsgText("034"));
            QCOMPARE(form.View()->model()->headerData(1, Qt::Horizontal).toString(),
                     MsgText("035"));
            QCOMPARE(test::RowCount(form.View()), 0);
            QCOMPARE(Enabled(form), QString());
            QVERIFY(form.Action("ADD_BUILDER")->isEnabled());
        }
        StoreBuilders({{"A", "/a"}, {"B", "/b"}, {"C", "/c"}});
        TREGISTER_BUILDER_FORM form;
        QCOMPARE(Column(form, 0), QStringLiteral("A,B,C"));
        QCOMPARE(Column(form, 1), QStringLiteral("/a,/b,/c"));
        QCOMPARE(test::CurrentRow(form.View()), 0);
        QCOMPARE(Enabled(form), QStringLiteral("EDIT_BUILDER DELETE_BUILDER ITEM_DOWN"));
        test::SetCurrentRow(form.View(), 2);
        QCOMPARE(Enabled(form), QStringLiteral("EDIT_BUILDER DELETE_BUILDER ITEM_UP"));
        test::SetCurrentRow(form.View(), 1);
        QCOMPARE(Enabled(form), QStringLiteral("EDIT_BUILDER DELETE_BUILDER ITEM_UP ITEM_DOWN"));
    }

    void addAndEditGoThroughTheEditDialog() {
        StoreBuilders({{"A", "/a"}});
        TREGISTER_BUILDER_FORM form;
        std::vector<EditCall> calls;
        ScriptEdits(form, calls, std::nullopt);
        form.Action("ADD_BUILDER")->trigger();
        QCOMPARE(test::RowCount(form.View()), 1);

        ScriptEdits(form, calls, std::make_pair(QStringLiteral(" New "), QStringLiteral("/n/")));
        form.Action("ADD_BUILDER")->trigger();
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[1].caption, MsgText("036"));
        QCOMPARE(calls[1].name, QString());
        QCOMPARE(Column(form, 0), QStringLiteral("A,New"));
        QCOMPARE(Column(form, 1), QStringLiteral("/a,/n"));
        QCOMPARE(test::CurrentRow(form.View()), 1);
        QCOMPARE(form.List().Builder(1).Number, -1);

        ScriptEdits(form, calls, std::make_pair(QStringLiteral("Renamed"), QStringLiteral("/r")));
        test::SetCurrentRow(form.View(), 0);
        // A double click edits, as the action does.
        emit form.View()->doubleClicked(test::RowAt(form.View(), 0));
        QCOMPARE(calls.size(), size_t(3));
        QCOMPARE(calls[2].caption, MsgText("037"));
        QCOMPARE(calls[2].name, QStringLiteral("A"));
        QCOMPARE(calls[2].path, QStringLiteral("/a"));
        QCOMPARE(Column(form, 0), QStringLiteral("Renamed,New"));
        QCOMPARE(form.List().Builder(0).Number, 1);
        // Nothing is stored before Apply.
        QCOMPARE(ReadStoredBuilders().front().Name, std::string("A"));
    }

    void deleteAsksAndTheLastRowTurnsActionsOff() {
        StoreBuilders({{"A", "/a"}, {"B", "/b"}});
        TREGISTER_BUILDER_FORM form;
        ScriptedInterface ui;
        form.Action("DELETE_BUILDER")->trigger();  // unanswered: No
        QCOMPARE(Column(form, 0), QStringLiteral("A,B"));
        QCOMPARE(QString::fromStdString(ui.boxes.at(0).caption), MsgText("046"));
        ui.QueueAnswer(ID_YES);
        form.Action("DELETE_BUILDER")->trigger();
        QCOMPARE(Column(form, 0), QStringLiteral("B"));
        QCOMPARE(test::CurrentRow(form.View()), 0);
        ui.QueueAnswer(ID_YES);
        form.Action("DELETE_BUILDER")->trigger();
        QCOMPARE(test::RowCount(form.View()), 0);
        QCOMPARE(Enabled(form), QString());
    }

    void moveSortAndDropReorder() {
        StoreBuilders({{"b", "/1"}, {"B", "/2"}, {"a", "/3"}});
        TREGISTER_BUILDER_FORM form;
        QAbstractItemModelTester tester(form.View()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.View(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(Column(form, 0), QStringLiteral("B,b,a"));
        QCOMPARE(test::CurrentText(form.View()), QStringLiteral("b"));
        form.Action("ITEM_UP")->trigger();
        QCOMPARE(Column(form, 0), QStringLiteral("b,B,a"));
        QVERIFY(!form.Action("ITEM_UP")->isEnabled());

        form.View()->header()->sectionClicked(0);
        QCOMPARE(Column(form, 0), QStringLiteral("B,a,b"));
        QCOMPARE(Enabled(form), QStringLiteral("EDIT_BUILDER DELETE_BUILDER ITEM_UP"));
        form.View()->header()->sectionClicked(0);

        // Selected "b" at 0: not onto itself; onto row 2 it ends there.
        QVERIFY(!form.CanDropOn(0));
        QVERIFY(form.DropOn(2));
        QCOMPARE(Column(form, 0), QStringLiteral("a,B,b"));
        QCOMPARE(test::CurrentText(form.View()), QStringLiteral("b"));
        RowDragList* view = form.View();
        view->dragOver(view->viewport()->height() - 2);
        QVERIFY(form.AutoScroller()->Active());
        view->stopScroll();
        QVERIFY(!form.AutoScroller()->Active());
        form.reject();
    }

    void okAppliesCancelKeepsAnEarlierApply() {
        StoreBuilders({{"A", "/a"}, {"B", "/b"}});
        TProfileRec p;
        p.ProfileName = "P";
        p.Builder = {"A", "/a", 1};
        RegWriteInteger(0, kRoot, "ProfileCount", 1);
        WriteProfileRec(ProfileKey(1), p);
        {
            TREGISTER_BUILDER_FORM form;
            form.Action("ITEM_DOWN")->trigger();
            form.Action("APPLY")->trigger();
            QVERIFY(form.Changed());
            form.Action("ITEM_UP")->trigger();
            form.reject();
            QVERIFY(form.Changed());
            QCOMPARE(ReadStoredBuilders().front().Name, std::string("B"));
            QCOMPARE(RegReadString(0, ProfileKey(1), "BuilderIndex", ""), std::string("002"));
        }
        TREGISTER_BUILDER_FORM form;
        form.Action("ITEM_DOWN")->trigger();
        form.open();
        QVERIFY(form.isVisible());
        findButton(form, "OK_Button")->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(RegReadString(0, ProfileKey(1), "BuilderIndex", ""), std::string("001"));
    }

    void failedApplyKeepsTheWindowOpen() {
        StoreBuilders({{"A", "/a"}, {"B", "/b"}});
        TREGISTER_BUILDER_FORM form;
        ScriptedInterface ui;
        form.open();
        form.Action("ITEM_DOWN")->trigger();
        faulty_store::FailAfter(0);
        form.Action("OK")->trigger();
        faulty_store::Reset();
        QVERIFY(form.isVisible());
        QVERIFY(!form.Changed());
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui.boxes[0].caption), MsgText("045"));
        QCOMPARE(ReadStoredBuilders().front().Name, std::string("A"));
        form.Action("OK")->trigger();
        QVERIFY(!form.isVisible());
        QVERIFY(form.Changed());
        QCOMPARE(ReadStoredBuilders().front().Name, std::string("B"));
    }

    void geometryIsKeptInTheStore() {
        const std::string key = kRegisterBuilderFormKey;
        {
            TREGISTER_BUILDER_FORM form;
            QCOMPARE(form.size(), QSize(472, 286));
            QCOMPARE(form.View()->header()->sectionSize(0), 200);
            QCOMPARE(form.View()->header()->sectionSize(1), 216);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(500, 300);
            form.move(30, 40);
            form.View()->header()->resizeSection(0, 120);
            form.reject();
        }
        QCOMPARE(RegReadInteger(0, key, "FormState", -1), 0);
        QCOMPARE(RegReadInteger(0, key, "Width", 0), 500);
        QCOMPARE(RegReadInteger(0, key, "Height", 0), 300);
        QCOMPARE(RegReadInteger(0, key, "Builder Column Width", 0), 120);
        {
            TREGISTER_BUILDER_FORM form;
            QCOMPARE(form.size(), QSize(500, 300));
            QCOMPARE(form.pos(), QPoint(30, 40));
            QCOMPARE(form.View()->header()->sectionSize(0), 120);
            form.show();
            form.setWindowState(Qt::WindowMaximized);
            QTRY_VERIFY(form.size() != QSize(500, 300));
            form.reject();
        }
        QCOMPARE(RegReadInteger(0, key, "FormState", -1), 1);
        QCOMPARE(RegReadInteger(0, key, "Width", 0), 500);
        TREGISTER_BUILDER_FORM form;
        QVERIFY(form.windowState() & Qt::WindowMaximized);
    }

    void editDialogChecksBeforeClosing() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/pe");
        std::filesystem::create_directories(folder.toStdString());
        std::ofstream((folder + QStringLiteral("/pebuilder.exe")).toStdString()) << "x";

        TBUILDER_DLG dialog;
        QCOMPARE(dialog.NameField()->objectName(), QStringLiteral("ED01"));
        QCOMPARE(dialog.PathField()->objectName(), QStringLiteral("EE01"));
        QCOMPARE(dialog.NameField()->maxLength(), 50);
        ScriptedInterface ui;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.NameField());

        dialog.SetFields(QStringLiteral("   "), folder);
        dialog.PathField()->setFocus();
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(ui.boxes.back().text, Msg("032"));
        QCOMPARE(QApplication::focusWidget(), dialog.NameField());

        dialog.SetFields(QStringLiteral("PE"), folder + QStringLiteral("/"));
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ui.boxes.size(), size_t(1));
    }

    void editDialogPathInput() {
        TBUILDER_DLG dialog;
        ScriptedInterface ui;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.PathField()->setText(QStringLiteral("/start"));
        ui.QueueFolder(std::string("/chosen/"));
        QTest::keyClick(dialog.PathField(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ui.folderRequests.size(), size_t(1));
        QCOMPARE(ui.folderRequests[0].title, Msg("049"));
        QCOMPARE(ui.folderRequests[0].path, std::string("/start"));
        QVERIFY(ui.folderRequests[0].extended);
        QCOMPARE(dialog.Path(), QStringLiteral("/chosen"));
        dialog.PathField()->Button()->click();  // cancelled: unchanged
        QCOMPARE(ui.folderRequests.size(), size_t(2));
        QCOMPARE(dialog.Path(), QStringLiteral("/chosen"));

        // Dropped from the desktop: the first item, without trailing separator.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/first/folder/")),
                      QUrl::fromLocalFile(QStringLiteral("/second"))});
        const QPoint at = dialog.PathField()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(dialog.PathField(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(dialog.PathField(), &drop);
        QCOMPARE(dialog.Path(), QStringLiteral("/first/folder"));
    }

    void selectionDialogOffersStoredBuilders() {
        {
            TSelectBuilder_Dialog dialog;
            QCOMPARE(dialog.windowTitle(), MsgText("059"));
            QCOMPARE(dialog.List()->objectName(), QStringLiteral("CB01"));
            QCOMPARE(dialog.List()->count(), 0);
            QCOMPARE(dialog.List()->currentIndex(), -1);
            QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("OK"))->isEnabled());
            QVERIFY(!dialog.Chosen());
        }
        StoreBuilders({{" A ", "/a "}, {"B", "/b"}});
        TSelectBuilder_Dialog dialog;
        QCOMPARE(dialog.List()->currentIndex(), 0);
        QCOMPARE(dialog.List()->itemText(0), QStringLiteral("A"));
        dialog.List()->setCurrentIndex(1);
        QCOMPARE(dialog.Chosen()->Number, 2);

        TBuilderRec chosen;
        QTimer::singleShot(0, [] {
            auto* w = qobject_cast<TSelectBuilder_Dialog*>(QApplication::activeModalWidget());
            if (w) w->accept();
        });
        QVERIFY(SelectBuilder(nullptr, chosen));
        QCOMPARE(chosen.Name, std::string("A"));
        QCOMPARE(chosen.Path, std::string("/a"));
        QCOMPARE(chosen.Number, 1);
    }

private:
    static QPushButton* findButton(QWidget& w, const char* name) {
        return w.findChild<QPushButton*>(QString::fromLatin1(name));
    }
};

QTEST_MAIN(BuildersTest)
#include "Builders_test.moc"
