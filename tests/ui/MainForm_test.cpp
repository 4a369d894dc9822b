// The main window's wiring: action states, list order, the build-step bar's input, the
// build actions and the geometry it keeps in the store.

#include "vrnx2/shell/ui/MainForm.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewRows.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/controls/ui/CmbGrid.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

const std::string kRoot = kVarnexKey;

TProfileRec Profile(const std::string& name, const std::string& builder,
                    const std::string& path = "/nonexistent/builder") {
    TProfileRec p;
    p.ProfileName = name;
    p.Builder.Name = builder;
    p.Builder.Path = path;
    p.Builder.Number = 1;
    return p;
}

void StoreProfiles(const std::vector<TProfileRec>& profiles, int builders = 1) {
    RegWriteInteger(0, kRoot, "BuilderCount", builders);
    RegWriteInteger(0, kRoot, "ProfileCount", static_cast<int32_t>(profiles.size()));
    for (size_t i = 0; i < profiles.size(); ++i)
        WriteProfileRec(ProfileKey(static_cast<int>(i) + 1), profiles[i]);
}

// One column of the shown list, joined by commas.
QString Column(TVRNX_Form& form, int column) {
    return test::ColumnText(form.ProfileView(), column);
}

// vrnx2-cli reg add on the same store (VRNX2_SETTINGS is inherited).
void CliSet(const std::string& key, const std::string& name, const std::string& data,
            const std::string& type = "REG_SZ") {
    static TempDir scratch("vrnx2-cli-run");
    const std::string cli = qEnvironmentVariable("TEST_BIN_DIR").toStdString() + "/vrnx2-cli";
    const ChildRun run =
        RunChild({cli, "reg", "add", "HKCU\\" + key, "/v", name, "/t", type, "/d", data, "/f"},
                 scratch.path());
    QVERIFY2(run.exitCode == 0, run.err.c_str());
}

void CliAddProfile(int number, const std::string& name) {
    CliSet(ProfileKey(number), "ProfileName", name);
    CliSet(ProfileKey(number), "BuilderIndex", "001");
    CliSet(ProfileKey(number), "BuilderName", "b");
    CliSet(kRoot, "ProfileCount", std::to_string(number), "REG_DWORD");
}

struct BuildCall {
    BuildMode mode;
    std::string profile;
    BuildSteps steps;
};

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageTable::Instance().LoadBuiltIn(); }
    void init() {
        faulty_store::Reset();
        RegDeleteKey(0, kRoot);
    }

    void emptyListDisablesProfileActionsAndAddFollowsBuilders() {
        {
            TVRNX_Form form;
            QVERIFY(form.findChild<RowDragList*>(QStringLiteral("LV1")));
            QVERIFY(form.findChild<TComboGrid*>(QStringLiteral("CG01")));
            for (const char* name : ProfileActionNames())
                QVERIFY2(!form.Action(name)->isEnabled(), name);
            QVERIFY(!form.Action("ADD_PROFILE")->isEnabled());
            // A style switch does not enable a build with nothing to build.
            form.Action("ADVANCED_BUILD_STYLE")->trigger();
            QVERIFY(!form.Action("ADVANCED_BUILD")->isEnabled());
            form.Action("BASIC_BUILD_STYLE")->trigger();
            QVERIFY(!form.Action("BASIC_BUILD")->isEnabled());
            QVERIFY(!form.Action("BASIC_CREATEISO")->isEnabled());
        }
        RegWriteInteger(0, kRoot, "BuilderCount", 1);
        TVRNX_Form form;
        QVERIFY(form.Action("ADD_PROFILE")->isEnabled());
        QVERIFY(!form.Action("EDIT_PROFILE")->isEnabled());
    }

    void sortByBuilderColumnAscendingThenDescendingAndSaved() {
        StoreProfiles({Profile("p1", "b"), Profile("p2", "C"), Profile("p3", "a")});
        TVRNX_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QHeaderView* header = form.ProfileView()->header();
        const QPoint builderHeader(header->sectionViewportPosition(1) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, builderHeader);
        QCOMPARE(Column(form, 1), QStringLiteral("C,a,b"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, builderHeader);
        QCOMPARE(Column(form, 1), QStringLiteral("b,a,C"));
        // The selection stays on its profile, and the move actions follow its new place.
        QCOMPARE(QString::fromStdString(form.SelectedProfile()->ProfileName), QStringLiteral("p1"));
        QVERIFY(!form.Action("Item_UP")->isEnabled());
        QVERIFY(form.Action("Item_Down")->isEnabled());
        form.close();
        QCOMPARE(RegReadString(0, ProfileKey(1), "BuilderName", ""), std::string("b"));
        QCOMPARE(RegReadString(0, ProfileKey(2), "BuilderName", ""), std::string("a"));
        QCOMPARE(RegReadString(0, ProfileKey(3), "BuilderName", ""), std::string("C"));
    }

    void dropAndMoveRows() {
        StoreProfiles(
            {Profile("p0", "b"), Profile("p1", "b"), Profile("p2", "b"), Profile("p3", "b")});
        TVRNX_Form form;
        QCOMPARE(form.SelectedRow(), 0);
        QVERIFY(!form.CanDropOn(0));
        QVERIFY(!form.DropOn(0));
        QVERIFY(form.DropOn(3));
        QCOMPARE(Column(form, 0), QStringLiteral("p1,p2,p3,p0"));
        QCOMPARE(form.SelectedRow(), 3);
        QCOMPARE(test::CurrentText(form.ProfileView()), QStringLiteral("p0"));
        QVERIFY(form.Action("Item_UP")->isEnabled());
        QVERIFY(!form.Action("Item_Down")->isEnabled());

        form.Action("Item_UP")->trigger();
        QCOMPARE(Column(form, 0), QStringLiteral("p1,p2,p0,p3"));
        QCOMPARE(form.SelectedRow(), 2);
        form.SelectRow(0);
        form.Action("Item_Down")->trigger();
        QCOMPARE(Column(form, 0), QStringLiteral("p2,p1,p0,p3"));
        QCOMPARE(form.SelectedRow(), 1);
        // Up from 1 lands on 0 with the other rows in place; the moves reached the store
        // only at the close.
        form.close();
        QCOMPARE(RegReadString(0, ProfileKey(1), "ProfileName", ""), std::string("p2"));
        QCOMPARE(RegReadString(0, ProfileKey(3), "ProfileName", ""), std::string("p0"));
    }

    void dragAutoScrollSteps() {
        std::vector<TProfileRec> many;
        for (int i = 0; i < 40; ++i) many.push_back(Profile("p" + std::to_string(i), "b"));
        StoreProfiles(many);
        TVRNX_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        RowDragList* list = form.ProfileView();
        DragAutoScroll* scroll = form.AutoScroller();
        const int step = list->visualRect(test::RowAt(list, 1)).top() -
                         list->visualRect(test::RowAt(list, 0)).top();
        QVERIFY(step > 0);
        list->dragOver(list->viewport()->height() - 2);
        QVERIFY(scroll->Active());
        scroll->Tick();
        QCOMPARE(list->verticalScrollBar()->value(), step);
        list->dragOver(list->viewport()->height() / 2);
        QVERIFY(!scroll->Active());
        list->dragOver(2);
        scroll->Tick();
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QVERIFY(form.DropOn(1) && !scroll->Active());  // a drop ends the scrolling
    }

    void createIsoNeedsAFinishedBuild() {
        QTemporaryDir dir;
        const fs::path builder = fs::path(dir.path().toStdString()) / "pe";
        fs::create_directories(builder / "out");
        TProfileRec p = Profile("p", "b", builder.string());
        p.OutDir = "out";
        StoreProfiles({p});
        TVRNX_Form form;
        QVERIFY(form.Action("BASIC_BUILD")->isEnabled());
        QVERIFY(form.Action("OPEN_BUILD_DIR")->isEnabled());
        QVERIFY(!form.Action("BASIC_CREATEISO")->isEnabled());
        fs::create_directories(builder / "out" / "I386" / "SYSTEM32");
        std::ofstream(builder / "out" / "I386" / "SYSTEM32" / "shell32.dll") << "MZ";
        form.SelectionUpdate();
        QVERIFY(form.Action("BASIC_CREATEISO")->isEnabled());
        form.SetBuildStyle(true);
        form.SelectionUpdate();
        QVERIFY(form.Action("BASIC_CREATEISO")->isEnabled());  // follows the file in both styles
        QVERIFY(!form.menuBar()->actions().at(0)->menu()->actions().contains(
            form.Action("BASIC_CREATEISO")));
    }

    void digitKeysToggleOnlyInTheAdvancedStyle() {
        StoreProfiles({Profile("alpha", "b"), Profile("1st", "b"), Profile("3rd", "b")});
        TVRNX_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ProfileView()->setFocus();
        const std::array<int, 4> before = form.Steps().toggles;
        QTest::keyClick(form.ProfileView(), '3');
        QCOMPARE(form.Steps().toggles, before);
        QCOMPARE(form.SelectedRow(), 0);  // the list never saw the key

        form.Action("ADVANCED_BUILD_STYLE")->trigger();
        QTest::keyClick(form.ProfileView(), '3');
        QCOMPARE(form.Steps().toggles[2], 1 - before[2]);
        QTest::keyClick(form.ProfileView(), '1');
        QCOMPARE(form.Steps().toggles[0], 1 - before[0]);
        QCOMPARE(form.SelectedRow(), 0);
        QTest::keyClick(form.ProfileView(), '3');
        QCOMPARE(form.Steps().toggles[2], before[2]);
    }

    void stepBarKeysAndMouse() {
        RegWriteInteger(0, kRoot, "BuildStyle", 1);
        TVRNX_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TComboGrid* bar = form.StepBar();
        bar->setFocus();
        bar->setCurrentCell(0, 3);
        QTest::keyClick(bar, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 1, 1}));
        QTest::keyClick(bar, Qt::Key_Space);
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 1, 0}));
        QTest::keyClick(bar, Qt::Key_A);  // without Ctrl: consumed, nothing changes
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 1, 0}));

        bar->setCurrentCell(0, 0);
        QTest::keyClick(bar, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 0, 0}));
        QCOMPARE(bar->CellValue(2, 0), 0);  // the cells show the toggles

        auto centre = [bar](int col) {
            return bar->visualRect(bar->model()->index(0, col)).center();
        };
        QTest::mousePress(bar->viewport(), Qt::LeftButton, {}, centre(1));
        QTest::mouseMove(bar->viewport(), centre(3));
        QTest::mouseRelease(bar->viewport(), Qt::LeftButton, {}, centre(3));
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{0, 1, 1, 1}));
        QTest::mouseClick(bar->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(0));
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 1, 1}));
        QTest::mouseMove(bar->viewport(), centre(1));  // released: moving selects nothing
        QCOMPARE(form.Steps().toggles, (std::array<int, 4>{1, 1, 1, 1}));
    }

    void f7RunsTheCurrentStylesBuild() {
        TProfileRec p = Profile("p", "b");
        p.BuildISO = true;
        StoreProfiles({p});
        TVRNX_Form form;
        std::vector<BuildCall> calls;
        form.hooks.runBuild = [&](BuildMode mode, const TProfileRec& rec, const BuildSteps& steps) {
            calls.push_back({mode, rec.ProfileName, steps});
        };
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F7);
        QTest::keyClick(&form, Qt::Key_F5);  // no finished build: Create ISO stays off
        form.Action("ADVANCED_BUILD_STYLE")->trigger();
        QTest::keyClick(form.ProfileView(), '4');
        QTest::keyClick(&form, Qt::Key_F7);
        QTest::keyClick(&form, Qt::Key_F10);
        QTest::keyClick(&form, Qt::Key_F9);
        QTest::keyClick(&form, Qt::Key_F7);
        QCOMPARE(calls.size(), size_t(3));
        QVERIFY(calls[0].mode == BuildMode::Basic);
        QCOMPARE(calls[0].profile, std::string("p"));
        QVERIFY(calls[1].mode == BuildMode::Advanced);
        QVERIFY(calls[1].steps.registry && calls[1].steps.files && calls[1].steps.iso &&
                calls[1].steps.burn);
        QVERIFY(calls[2].mode == BuildMode::Basic);
    }

    void folderAndLogActionsHandOverTheRightPaths() {
        QTemporaryDir dir;
        const fs::path builder = fs::path(dir.path().toStdString()) / "my pe";
        fs::create_directories(builder / "PLUGIN");
        std::ofstream(builder / "pebuilder.log") << "log";
        StoreProfiles({Profile("p", "b", builder.string())});
        RegWriteString(0, kRoot + "\\System", "TextEditor", "/no/such editor");
        ScriptedInterface ui;
        TVRNX_Form form;
        std::vector<std::string> opened;
        form.hooks.openTarget = [&](const std::string& t) {
            opened.push_back(t);
            return true;
        };
        std::vector<std::vector<std::string>> started;
        form.hooks.runProgram = [&](const std::vector<std::string>& argv, std::string* error) {
            started.push_back(argv);
            *error = "not found";
            return false;
        };
        form.Action("OPEN_PLUGIN_DIR")->trigger();
        form.Action("OPEN_SOURCE_DIR")->trigger();  // disabled: no source folder
        form.Action("VIEW_LOGFILE")->trigger();
        QCOMPARE(opened, (std::vector<std::string>{(builder / "PLUGIN").string() + "/"}));
        QCOMPARE(started.size(), size_t(1));
        QCOMPARE(started[0], (std::vector<std::string>{"/no/such editor",
                                                       (builder / "pebuilder.log").string()}));
        // A program that does not start is reported, not passed over in silence.
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(ui.boxes[0].flags, unsigned(MB_ERROR_OK));
    }

    void geometryKeptWhenClosedMaximisedOrMinimised() {
        {
            TVRNX_Form form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(640, 330);
            form.move(40, 50);
            form.close();
        }
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Width", 0), 640);
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Height", 0), 330);
        QCOMPARE(RegReadInteger(0, kMainFormKey, "FormState", -1), 0);
        const int top = RegReadInteger(0, kMainFormKey, "Top", -1);
        {
            TVRNX_Form form;
            QCOMPARE(form.size(), QSize(640, 330));
            form.showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.close();
        }
        QCOMPARE(RegReadInteger(0, kMainFormKey, "FormState", -1), 1);
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Width", 0), 640);
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Top", -2), top);
        {
            TVRNX_Form form;
            QVERIFY(form.windowState() & Qt::WindowMaximized);
            form.show();
            form.showMinimized();
            form.close();
        }
        QCOMPARE(RegReadInteger(0, kMainFormKey, "FormState", -1), 2);
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Height", 0), 330);
        TVRNX_Form form;
        QVERIFY(form.windowState() & Qt::WindowMinimized);
        QCOMPARE(form.size(), QSize(640, 330));
        QVERIFY(form.minimumWidth() >= 508 && form.minimumHeight() >= 212);
    }

    void styleAndColumnWidthsRoundTrip() {
        {
            TVRNX_Form form;
            QVERIFY(!form.AdvancedStyle());
            QCOMPARE(form.ProfileView()->header()->sectionSize(0), 200);
            QCOMPARE(form.ProfileView()->header()->sectionSize(1), 216);
            form.ProfileView()->header()->resizeSection(1, 150);
            form.Action("ADVANCED_BUILD_STYLE")->trigger();
            form.close();
        }
        QCOMPARE(RegReadInteger(0, kRoot, "BuildStyle", 0), 1);
        TVRNX_Form form;
        QVERIFY(form.AdvancedStyle());
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("AdvancedPanel"))->isVisibleTo(&form));
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("BasicPanel"))->isVisibleTo(&form));
        QCOMPARE(form.ProfileView()->header()->sectionSize(1), 150);
    }

    // Closing the window used to save its whole list over what vrnx2-cli wrote meanwhile.
    void theConsolesChangesSurviveTheWindow() {
        StoreProfiles({Profile("p1", "b"), Profile("p2", "b")});
        ScriptedInterface ui;
        {
            TVRNX_Form form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            CliSet(ProfileKey(1), "ProfileName", "Renamed");
            CliAddProfile(3, "p3");
            // The store's file changed: the list follows without a click.
            QTRY_COMPARE(Column(form, 0), QStringLiteral("Renamed,p2,p3"));
            form.close();
        }
        QCOMPARE(RegReadString(0, ProfileKey(1), "ProfileName", ""), std::string("Renamed"));
        QCOMPARE(RegReadString(0, ProfileKey(3), "ProfileName", ""), std::string("p3"));
        QVERIFY(ui.boxes.empty());

        // Both changed: the window moves its first row down while the console writes.
        const auto bothChange = [](const std::string& key, const char* name, const char* data) {
            TVRNX_Form form;
            form.SelectRow(0);
            form.Action("Item_Down")->trigger();
            CliSet(key, name, data);
            form.close();
        };
        // "No" keeps the console's.
        bothChange(ProfileKey(3), "ProfileName", "p3 renamed");
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(ui.boxes[0].flags, unsigned(MB_QUESTION_YESNO));
        QCOMPARE(RegReadString(0, ProfileKey(1), "ProfileName", ""), std::string("Renamed"));
        QCOMPARE(RegReadString(0, ProfileKey(3), "ProfileName", ""), std::string("p3 renamed"));

        // "Yes" stores the window's list; its unchanged rows are what it read.
        ui.QueueAnswer(ID_YES);
        bothChange(ProfileKey(2), "Source", "/srv/cd");
        QCOMPARE(ui.boxes.size(), size_t(2));
        QCOMPARE(RegReadString(0, ProfileKey(1), "ProfileName", ""), std::string("p2"));
        QCOMPARE(RegReadString(0, ProfileKey(2), "ProfileName", ""), std::string("Renamed"));
        QCOMPARE(RegReadInteger(0, kRoot, "ProfileCount", 0), 3);
    }

    // A profile operation saves the whole list: right after a console change, before the
    // watch has told the window, it must save over the store's list, not its old copy.
    void aProfileOperationKeepsWhatTheConsoleJustWrote() {
        StoreProfiles({Profile("p1", "b"), Profile("p2", "b")});
        ScriptedInterface ui;
        TVRNX_Form form;
        form.hooks.copyProfile = [](TVRNX_Form& f) { SaveProfileList(f.Profiles()); };
        CliAddProfile(3, "from the console");
        form.SelectRow(0);
        form.Action("COPY_PROFILE")->trigger();  // no event has run since the console wrote
        QCOMPARE(RegReadInteger(0, kRoot, "ProfileCount", 0), 3);
        QCOMPARE(RegReadString(0, ProfileKey(3), "ProfileName", ""),
                 std::string("from the console"));
        QCOMPARE(Column(form, 0), QStringLiteral("p1,p2,from the console"));
        QVERIFY(ui.boxes.empty());
    }

    void closingWithAnUnwritableStoreSaysSo() {
        StoreProfiles({Profile("p", "b")});
        ScriptedInterface ui;
        TVRNX_Form form;
        faulty_store::FailAfter(0);
        form.close();
        faulty_store::Reset();
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(ui.boxes[0].flags, unsigned(MB_ERROR_OK));
        QCOMPARE(RegReadString(0, ProfileKey(1), "ProfileName", ""), std::string("p"));
    }
};

QTEST_MAIN(MainFormTest)
#include "MainForm_test.moc"
