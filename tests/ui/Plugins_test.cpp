// The plugin window's wiring: which actions each selection enables, what keys, clicks, drops
// and the order page forward to the catalogue, the outside tools' command lines, install and
// uninstall, Apply/OK/Cancel, and the geometry kept in the store.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "CabWriter.h"
#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/ViewRows.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/plugins/ui/PluginForm.h"
#include "vrnx2/plugins/ui/PluginWindow.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

const char* const kTreeActions[] = {"EnablePlugin",  "Configulation", "ViewHelp", "UnInstall",
                                    "PluginBuilder", "TextEditor",    "Explorer", "DeleteCategory"};

QString Enabled(const TPlugin_Form& form) {
    QStringList on;
    for (const char* name : kTreeActions)
        if (form.Action(name)->isEnabled()) on << QString::fromLatin1(name);
    return on.join(QLatin1Char(' '));
}

// The node at a label path below the root.
CatalogueNode* Find(TPlugin_Form& form, const QStringList& path) {
    CatalogueNode* node = form.Catalogue().Root();
    for (const QString& label : path) {
        CatalogueNode* next = nullptr;
        for (auto& child : node->children)
            if (QString::fromStdString(child->label) == label) next = child.get();
        if (!next) return nullptr;
        node = next;
    }
    return node;
}

// The labels the tree shows below a node.
QString Children(const TPlugin_Form& form, const CatalogueNode* node) {
    return test::ColumnText(form.Tree(), 0, form.IndexOf(node));
}

QString Rows(const TPlugin_Form& form) {
    return test::ColumnText(form.OrderList());
}

int IconOf(const TPlugin_Form& form, const CatalogueNode* node) {
    return form.IndexOf(node).data(TPlugin_Form::kIconRole).toInt();
}

}  // namespace

class PluginWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TProfileRec profile_;

    std::string Root() const { return dir_.path().toStdString(); }
    std::string PluginDir() const { return Root() + "/PEB/Plugin"; }
    std::string StoreKey() const { return ProfileKey(profile_.ProfileNumber) + "\\Plugin"; }

    std::string Write(const std::string& path, const std::string& bytes) const {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    void AddPlugin(const std::string& rel, const std::string& name, const std::string& extra) {
        Write(PluginDir() + "/" + rel,
              "[Version]\r\nSignature=\"$Windows NT$\"\r\n[PEBuilder]\r\nName=\"" + name +
                  "\"\r\n" + extra);
    }

private slots:
    void initTestCase() {
        MessageTable::Instance().LoadBuiltIn();
        QVERIFY(dir_.isValid());
    }
    void init() {
        faulty_store::Reset();
        RegDeleteKey(0, kVarnexKey);
        fs::remove_all(Root() + "/PEB");
        // Drivers > Nic (enabled, with help and a configuration program), Tools > Disk
        // (disabled), Alt (enabled, directly below the root).
        AddPlugin("drv/nic/nic.inf", "Nic",
                  "Enable=1\r\nVX_Category=Drivers\r\nHelp=nic.txt\r\n"
                  "Config=\"setup.exe\",\"@PluginFile@\"\r\n");
        Write(PluginDir() + "/drv/nic/nic.txt", "help");
        Write(PluginDir() + "/drv/nic/setup.exe", "MZ");
        AddPlugin("tools/disk/disk.inf", "Disk", "Enable=0\r\nVX_Category=Tools\r\n");
        AddPlugin("shell/alt.inf", "Alt", "Enable=1\r\n");
        profile_ = TProfileRec();
        profile_.ProfileNumber = 7;
        profile_.ProfileName = "Rescue";
        profile_.Builder.Name = "Demo";
        profile_.Builder.Path = Root() + "/PEB/";
    }

    void opensWithTheCatalogueAndTheProfile() {
        profile_.ManageOrder = true;
        TPlugin_Form form(nullptr, profile_, false);
        QCOMPARE(form.windowTitle(), MsgText("061") + QStringLiteral("(") + MsgText("031") +
                                         QStringLiteral(") - [Demo]"));
        for (const char* name : {"ED01", "PC1", "TS1", "TS2", "TV1", "LV1", "CHB1", "TreePnl",
                                 "OrderPnl", "lblPlugin"})
            QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(name)), name);
        QCOMPARE(form.NameField()->text(), QStringLiteral("Rescue"));
        QCOMPARE(form.NameField()->maxLength(), 50);
        QVERIFY(form.OrderCheck()->isChecked());
        QCOMPARE(form.Pages()->currentIndex(), 0);
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("TreePnl"))->isHidden());
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("OrderPnl"))->isHidden());

        QCOMPARE(test::RowText(form.Tree(), 0), QStringLiteral("Plugins"));
        QCOMPARE(Children(form, form.Catalogue().Root()), QStringLiteral("Drivers,Tools,Alt"));
        QVERIFY(form.Tree()->isExpanded(form.IndexOf(Find(form, {QStringLiteral("Drivers")}))));
        QCOMPARE(IconOf(form, form.Catalogue().Root()), int(kIconRoot));
        QCOMPARE(IconOf(form, Find(form, {QStringLiteral("Drivers")})), int(kIconCategory));
        QCOMPARE(IconOf(form, Find(form, {QStringLiteral("Tools"), QStringLiteral("Disk")})),
                 int(kIconDisabled));
        QCOMPARE(IconOf(form, Find(form, {QStringLiteral("Alt")})), int(kIconEnabled));
        QCOMPARE(form.SelectedNode(), form.Catalogue().Root());
        QCOMPARE(Enabled(form), QString());
        for (const char* always :
             {"Reload", "Install", "CreateCategory", "Expand", "Collapse", "Sort", "APPLY", "OK"})
            QVERIFY2(form.Action(always)->isEnabled(), always);
        // The managed order list is built on opening: enabled plugins only, unnumbered ones
        // by folder.
        QCOMPARE(Rows(form), QStringLiteral("Nic,Alt"));
        QVERIFY(form.OrderList()->isEnabled());
    }

    void actionStatesFollowTheSelectedNode_data() {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<QString>("status");
        QTest::newRow("plugin with config and help")
            << QStringList{QStringLiteral("Drivers"), QStringLiteral("Nic")}
            << QStringLiteral(
                   "EnablePlugin Configulation ViewHelp UnInstall PluginBuilder TextEditor "
                   "Explorer")
            << QStringLiteral("drv/nic/nic.inf");
        QTest::newRow("plain plugin")
            << QStringList{QStringLiteral("Tools"), QStringLiteral("Disk")}
            << QStringLiteral("EnablePlugin UnInstall PluginBuilder TextEditor Explorer")
            << QStringLiteral("tools/disk/disk.inf");
        QTest::newRow("category") << QStringList{QStringLiteral("Tools")}
                                  << QStringLiteral("DeleteCategory") << QString();
        QTest::newRow("root") << QStringList{} << QString() << QString();
    }
    void actionStatesFollowTheSelectedNode() {
        QFETCH(QStringList, path);
        QFETCH(QString, enabled);
        QFETCH(QString, status);
        TPlugin_Form form(nullptr, profile_, true);
        form.SelectNode(Find(form, {QStringLiteral("Alt")}));
        form.SelectNode(Find(form, path));
        QCOMPARE(Enabled(form), enabled);
        QCOMPARE(form.StatusLine()->text(), status);
    }

    void spaceAndIconClickToggleOnlyPlugins() {
        TPlugin_Form form(nullptr, profile_, true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        CatalogueNode* nic = Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")});
        form.SelectNode(nic);
        QTest::keyClick(form.Tree(), Qt::Key_Space);
        QCOMPARE(IconOf(form, nic), int(kIconDisabled));
        QVERIFY(!nic->record->Enabled);
        QTest::keyClick(form.Tree(), Qt::Key_Space);
        QCOMPARE(IconOf(form, nic), int(kIconEnabled));

        CatalogueNode* tools = Find(form, {QStringLiteral("Tools")});
        form.SelectNode(tools);
        QTest::keyClick(form.Tree(), Qt::Key_Space);
        QCOMPARE(IconOf(form, tools), int(kIconCategory));

        // Swallowed everywhere but in the name field.
        QTest::keyClick(form.OrderCheck(), Qt::Key_Space);
        QVERIFY(!form.OrderCheck()->isChecked());
        QTest::keyClicks(form.NameField(), QStringLiteral(" x"));
        QCOMPARE(form.NameField()->text(), QStringLiteral("Rescue x"));

        CatalogueNode* disk = Find(form, {QStringLiteral("Tools"), QStringLiteral("Disk")});
        const QModelIndex item = form.IndexOf(disk);
        QTest::mouseClick(form.Tree()->viewport(), Qt::LeftButton, {},
                          form.IconRect(item).center());
        QCOMPARE(IconOf(form, disk), int(kIconEnabled));
        QCOMPARE(form.SelectedNode(), disk);
        // A click on the label only selects.
        const QRect label = form.Tree()->visualRect(item);
        QTest::mouseClick(form.Tree()->viewport(), Qt::LeftButton, {},
                          QPoint(label.right() - 2, label.center().y()));
        QCOMPARE(IconOf(form, disk), int(kIconEnabled));
    }

    void categoriesAreCreatedRenamedAndDeleted() {
        ScriptedInterface ui;
        TPlugin_Form form(nullptr, profile_, true);
        // Each step the tree's model tells must leave it consistent.
        QAbstractItemModelTester tester(form.Tree()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto flags = [&form](const QStringList& path) {
            return form.IndexOf(Find(form, path)).flags() & Qt::ItemIsEditable;
        };
        QVERIFY(flags({QStringLiteral("Tools")}));
        QVERIFY(!flags({}));
        QVERIFY(!flags({QStringLiteral("Alt")}));

        // Created beside a selected plugin, in its category, and opened for editing.
        form.SelectNode(Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")}));
        form.Action("CreateCategory")->trigger();
        CatalogueNode* created = form.SelectedNode();
        QVERIFY(created && created->IsCategory());
        QCOMPARE(created->parent, Find(form, {QStringLiteral("Drivers")}));
        QCOMPARE(QString::fromStdString(created->label), MsgText("125"));
        QVERIFY(form.Tree()->findChild<QLineEdit*>());

        // A committed edit renames and re-sorts; a bad name is refused and put back.
        QAbstractItemModel* model = form.Tree()->model();
        model->setData(form.IndexOf(created), QStringLiteral("Aaa"));
        QTRY_COMPARE(Children(form, created->parent), QStringLiteral("Aaa,Nic"));
        model->setData(form.IndexOf(created), QStringLiteral("a\\b"));
        QTRY_COMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(ui.boxes[0].text, Msg("145"));
        QTRY_COMPARE(form.IndexOf(created).data().toString(), QStringLiteral("Aaa"));

        form.SelectNode(Find(form, {QStringLiteral("Tools")}));
        form.Action("DeleteCategory")->trigger();
        QCOMPARE(ui.boxes.size(), size_t(2));
        QCOMPARE(ui.boxes[1].text, Msg("131"));
        QVERIFY(Find(form, {QStringLiteral("Tools")}));
        form.SelectNode(created);
        form.Action("DeleteCategory")->trigger();
        QVERIFY(!Find(form, {QStringLiteral("Drivers"), QStringLiteral("Aaa")}));
        QCOMPARE(form.SelectedNode(), Find(form, {QStringLiteral("Drivers")}));
    }

    void dropsMoveNodesAndApplyStoresTheTreePaths() {
        TPlugin_Form form(nullptr, profile_, true);
        QAbstractItemModelTester tester(form.Tree()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        CatalogueNode* drivers = Find(form, {QStringLiteral("Drivers")});
        CatalogueNode* nic = Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")});
        CatalogueNode* disk = Find(form, {QStringLiteral("Tools"), QStringLiteral("Disk")});
        form.SelectNode(drivers);
        QVERIFY(!form.CanTreeDropOn(drivers));
        QVERIFY(!form.TreeDropOn(nic));  // into its own subtree
        // Dragging near the tree's edges scrolls it; a drop stops the scrolling.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        RowDragList* tree = form.Tree();
        const int height = tree->viewport()->height();
        tree->dragOver(height / 2);
        QVERIFY(!form.AutoScroller()->Active());
        tree->dragOver(3);
        QVERIFY(form.AutoScroller()->Active());
        tree->dragOver(height - 3);
        QVERIFY(form.AutoScroller()->Active());
        form.SelectNode(disk);
        QVERIFY(form.TreeDropOn(nic));  // onto a plugin: into its category
        QVERIFY(!form.AutoScroller()->Active());
        QCOMPARE(disk->parent, drivers);
        QCOMPARE(form.SelectedNode(), disk);
        form.SelectNode(nic);
        QVERIFY(form.TreeDropOn(form.Catalogue().Root()));
        QCOMPARE(Children(form, form.Catalogue().Root()), QStringLiteral("Drivers,Tools,Alt,Nic"));
        QVERIFY(form.Action("APPLY")->isEnabled());
        form.Action("APPLY")->trigger();
        QVERIFY(form.Applied());
        QCOMPARE(RegReadString(0, StoreKey(), "\"Nic\",\"drv\\nic\\nic.inf\"", ""),
                 std::string("\"1\",\"\",\"0\""));
        QCOMPARE(RegReadString(0, StoreKey(), "\"Disk\",\"tools\\disk\\disk.inf\"", ""),
                 std::string("\"0\",\"Drivers\",\"0\""));

        // Moved nodes go last; Sort brings them back into order. Collapse on a plugin folds
        // its parent.
        form.SelectNode(drivers);
        QVERIFY(form.TreeDropOn(form.Catalogue().Root()));
        QCOMPARE(Children(form, form.Catalogue().Root()), QStringLiteral("Tools,Alt,Nic,Drivers"));
        QVERIFY(form.Tree()->isExpanded(form.IndexOf(drivers)));
        form.Action("Sort")->trigger();
        QCOMPARE(Children(form, form.Catalogue().Root()), QStringLiteral("Drivers,Tools,Alt,Nic"));
        form.SelectNode(disk);
        form.Action("Collapse")->trigger();
        QCOMPARE(form.SelectedNode(), drivers);
        QVERIFY(!form.Tree()->isExpanded(form.IndexOf(drivers)));
        form.Action("Expand")->trigger();
        QVERIFY(form.Tree()->isExpanded(form.IndexOf(drivers)));
    }

    void orderPageBuildsMovesSortsAndStoresPositions() {
        TPlugin_Form form(nullptr, profile_, true);
        QAbstractItemModelTester tester(form.OrderList()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(!form.OrderList()->isEnabled());
        form.Pages()->setCurrentIndex(1);
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("TreePnl"))->isHidden());
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("OrderPnl"))->isHidden());
        QCOMPARE(Rows(form), QString());
        QVERIFY(!form.Action("Item_Down")->isEnabled());

        form.OrderCheck()->setChecked(true);
        QVERIFY(form.OrderList()->isEnabled());
        QCOMPARE(Rows(form), QStringLiteral("Nic,Alt"));
        QCOMPARE(test::RowText(form.OrderList(), 0, 1), QStringLiteral("drv/nic/nic.inf"));
        QCOMPARE(form.SelectedRow(), 0);
        QVERIFY(!form.Action("Item_Up")->isEnabled());
        QVERIFY(form.Action("Item_Down")->isEnabled());
        form.Action("Item_Down")->trigger();
        QCOMPARE(Rows(form), QStringLiteral("Alt,Nic"));
        QCOMPARE(form.SelectedRow(), 1);
        QVERIFY(form.Action("Item_Up")->isEnabled());
        QVERIFY(!form.Action("Item_Down")->isEnabled());
        QVERIFY(!form.CanListDropOn(1));
        QVERIFY(form.ListDropOn(0));
        QCOMPARE(Rows(form), QStringLiteral("Nic,Alt"));
        QCOMPARE(form.SelectedRow(), 0);

        // Column clicks: ascending, descending, ascending; the selected row follows.
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            emit form.OrderList()->header()->sectionClicked(0);
            seen << Rows(form);
        }
        QCOMPARE(seen.join(QLatin1Char('|')), QStringLiteral("Alt,Nic|Nic,Alt|Alt,Nic"));
        QCOMPARE(form.Catalogue().SortDirection(0), 1);
        QCOMPARE(form.SelectedRow(), 1);

        // Leaving the page numbers the records; Apply stores the numbers and the flag.
        form.Action("Item_Up")->trigger();
        form.Pages()->setCurrentIndex(0);
        QVERIFY(!form.Action("Item_Up")->isEnabled());
        QCOMPARE(Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")})->record->Order, 1);
        QVERIFY(form.Apply());
        QVERIFY(form.Profile().ManageOrder);
        QCOMPARE(RegReadString(0, StoreKey(), "\"Alt\",\"shell\\alt.inf\"", ""),
                 std::string("\"1\",\"\",\"2\""));
    }

    void applyThenCancelCountsAsConfirmed_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("name");
        QTest::newRow("cancel") << QStringLiteral("cancel") << false << QStringLiteral("Rescue");
        QTest::newRow("apply, cancel") << QStringLiteral("apply") << true << QStringLiteral("New");
        QTest::newRow("ok") << QStringLiteral("ok") << true << QStringLiteral("New");
    }
    void applyThenCancelCountsAsConfirmed() {
        QFETCH(QString, script);
        QFETCH(bool, confirmed);
        QFETCH(QString, name);
        QTimer::singleShot(0, [script] {
            auto* form = qobject_cast<TPlugin_Form*>(QApplication::activeModalWidget());
            if (!form) return;
            form->NameField()->setText(QStringLiteral("  New "));
            form->OrderCheck()->setChecked(true);
            if (script == QStringLiteral("ok")) {
                form->Action("OK")->trigger();
                return;
            }
            if (script == QStringLiteral("apply")) form->Action("APPLY")->trigger();
            form->findChild<QPushButton*>(QStringLiteral("CANCEL_Button"))->click();
        });
        TProfileRec profile = profile_;
        QCOMPARE(OpenPluginWindow(nullptr, profile, true), confirmed);
        QCOMPARE(QString::fromStdString(profile.ProfileName), name);
        QCOMPARE(profile.ManageOrder, confirmed);
        QCOMPARE(RegKeyExists(0, StoreKey(), ""), confirmed);
    }

    void outsideToolsGetThePluginFile() {
        TPlugin_Form form(nullptr, profile_, true);
        using Run = std::pair<std::vector<std::string>, bool>;
        std::vector<Run> runs;
        std::vector<std::string> opened;
        form.runProgram = [&runs](const std::vector<std::string>& argv, bool wait) {
            runs.push_back({argv, wait});
        };
        form.openTarget = [&opened](const std::string& target) { opened.push_back(target); };
        const std::string nic = PluginDir() + "/drv/nic";
        form.SelectNode(Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")}));
        form.Action("Configulation")->trigger();
        form.Action("ViewHelp")->trigger();
        form.Action("Explorer")->trigger();
        form.Action("PluginBuilder")->trigger();  // no Plugin Builder installed: nothing
        QCOMPARE(runs.size(), size_t(1));
        QCOMPARE(runs[0].first, (std::vector<std::string>{nic + "/setup.exe", nic + "/nic.inf"}));
        QVERIFY(!runs[0].second);
        QCOMPARE(opened, (std::vector<std::string>{nic + "/nic.txt", nic + "/"}));

        Write(Root() + "/pb/Plugin_Builder.exe", "MZ");
        SavePreferences({Root() + "/pb", true, "", false});
        form.Action("PluginBuilder")->trigger();
        form.Action("TextEditor")->trigger();
        SavePreferences({"", false, "/usr/bin/my editor", true});
        form.Action("TextEditor")->trigger();
        QCOMPARE(runs.size(), size_t(4));
        QCOMPARE(runs[1], Run({Root() + "/pb/Plugin_Builder.exe", nic + "/nic.inf"}, true));
        QCOMPARE(runs[2], Run({"xdg-open", nic + "/nic.inf"}, false));
        QCOMPARE(runs[3], Run({"/usr/bin/my editor", nic + "/nic.inf"}, true));
    }

    // A plugin file's values lose the quotes around them, as Windows reads them: a quoted
    // Config starts the same program as an unquoted one.
    void quotedOrUnquotedConfigStartsTheConfigurationProgram_data() {
        QTest::addColumn<QString>("config");
        QTest::newRow("unquoted") << QStringLiteral("setup.exe @PluginFile@");
        QTest::newRow("whole value quoted") << QStringLiteral("\"setup.exe @PluginFile@\"");
        QTest::newRow("each field quoted") << QStringLiteral("\"setup.exe\" \"@PluginFile@\"");
    }
    void quotedOrUnquotedConfigStartsTheConfigurationProgram() {
        QFETCH(QString, config);
        AddPlugin("drv/nic/nic.inf", "Nic",
                  "Enable=1\r\nVX_Category=Drivers\r\nConfig=" + config.toStdString() + "\r\n");
        TPlugin_Form form(nullptr, profile_, true);
        std::vector<std::vector<std::string>> runs;
        form.runProgram = [&runs](const std::vector<std::string>& argv, bool) {
            runs.push_back(argv);
        };
        form.SelectNode(Find(form, {QStringLiteral("Drivers"), QStringLiteral("Nic")}));
        QVERIFY(form.Action("Configulation")->isEnabled());
        form.Action("Configulation")->trigger();
        const std::string nic = PluginDir() + "/drv/nic";
        QCOMPARE(runs,
                 (std::vector<std::vector<std::string>>{{nic + "/setup.exe", nic + "/nic.inf"}}));
    }

    void installAndUninstallRebuildTheTree() {
        ScriptedInterface ui;
        TPlugin_Form form(nullptr, profile_, true);
        const std::string cab =
            Write(Root() + "/tool.cab",
                  cabtest::BuildCabinet({{"tool.inf",
                                          "[Version]\r\nSignature=$Windows NT$\r\n"
                                          "[PEBuilder]\r\nName=Tool\r\nEnable=1\r\n"}}));
        QStringList filters;
        QString answer;
        form.chooseCabinet = [&](QWidget*, const QStringList& f) {
            filters = f;
            return answer;
        };
        form.Action("Install")->trigger();  // chooser cancelled
        QVERIFY(ui.inputRequests.empty());
        QVERIFY(filters.first().contains(QStringLiteral("*.cab")));

        answer = QString::fromStdString(cab);
        ui.QueueInput("tool");
        form.Action("Install")->trigger();
        QCOMPARE(ui.inputRequests.size(), size_t(1));
        QCOMPARE(ui.inputRequests[0].initial, std::string("tool"));
        CatalogueNode* tool = Find(form, {QStringLiteral("Tool")});
        QVERIFY(tool);
        QCOMPARE(form.SelectedNode(), form.Catalogue().Root());

        form.SelectNode(tool);
        ui.QueueAnswer(ID_YES);
        form.Action("UnInstall")->trigger();
        QVERIFY(!Find(form, {QStringLiteral("Tool")}));
        QVERIFY(!fs::exists(PluginDir() + "/tool"));
        QCOMPARE(form.SelectedNode(), form.Catalogue().Root());
        QCOMPARE(Enabled(form), QString());
    }

    void geometryIsKeptInTheStore() {
        {
            TPlugin_Form form(nullptr, profile_, true);
            // 592 x 460, taller where the tree page's buttons need more.
            QCOMPARE(form.width(), 592);
            QVERIFY(form.height() >= 460);
            QCOMPARE(form.OrderList()->header()->sectionSize(0), 216);
            QCOMPARE(form.OrderList()->header()->sectionSize(1), 200);
            QCOMPARE(form.minimumSize().width() >= 400 && form.minimumSize().height() >= 224, true);
            form.resize(640, 480);
            form.move(30, 40);
            form.OrderList()->header()->resizeSection(0, 150);
            form.reject();
        }
        const std::string key = kPluginFormKey;
        QCOMPARE(RegReadInteger(0, key, "Width", 0), 640);
        QCOMPARE(RegReadInteger(0, key, "Height", 0), 480);
        QCOMPARE(RegReadInteger(0, key, "FormState", -1), 0);
        QCOMPARE(RegReadInteger(0, key, "Profile Column Width", 0), 150);
        RegWriteInteger(0, key, "FormState", 2);
        TPlugin_Form form(nullptr, profile_, true);
        QCOMPARE(form.size(), QSize(640, 480));
        QCOMPARE(form.pos(), QPoint(30, 40));
        QCOMPARE(form.OrderList()->header()->sectionSize(0), 150);
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));
    }
};

QTEST_MAIN(PluginWindowTest)
#include "Plugins_test.moc"
