// Every window and dialog shows all its content in Japanese and English, with 9- and
// 12-point text (and, in a second run, at scale 2); stored geometry never puts a window off
// its screen; the main window's list keeps its rows and explains a first start.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "tests/support/FaultyStore.h"
#include "tests/ui/NextModal.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/builders/BuilderList.h"
#include "vrnx2/builders/ui/DLG_BUILDER.h"
#include "vrnx2/builders/ui/DLG_SELECTBUILDER.h"
#include "vrnx2/builders/ui/REGISTER_BUILDER.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/plugins/PluginCatalogue.h"
#include "vrnx2/plugins/ui/PluginForm.h"
#include "vrnx2/profiles/ProfileOptions.h"
#include "vrnx2/profiles/ui/PREFERENSES.h"
#include "vrnx2/profiles/ui/about.h"
#include "vrnx2/profiles/ui/options.h"
#include "vrnx2/settings/Drives.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/QtUserInterface.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

const std::string kRoot = kVarnexKey;

QString Where(const QWidget* w) {
    QString path = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                             : w->objectName();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        path += QStringLiteral(" \"%1\"").arg(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        path += QStringLiteral(" \"%1\"").arg(button->text());
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (!p->objectName().isEmpty()) path = p->objectName() + QLatin1Char('/') + path;
    return path;
}

// What the person sees of `window` now: every shown child lies inside the window and inside
// its parent, and no text is cut: a label or a captioned button gets the size its text needs.
// Content of a scroll area, which is reached by scrolling.
bool Scrolled(const QWidget* w, const QWidget* window) {
    for (const QWidget* up = w->parentWidget(); up && up != window; up = up->parentWidget())
        if (qobject_cast<const QScrollArea*>(up)) return true;
    return false;
}

QStringList Clipped(QWidget* window) {
    QStringList faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(window)) continue;
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        const bool scrolled = Scrolled(w, window);
        if (!scrolled && !window->rect().contains(inWindow))
            faults << Where(w) + QStringLiteral(" outside the window");
        const QWidget* parent = w->parentWidget();
        const auto* area =
            parent ? qobject_cast<const QScrollArea*>(parent->parentWidget()) : nullptr;
        const bool content = area && area->viewport() == parent;
        if (!content && parent && parent != window && !parent->rect().contains(w->geometry()))
            faults << Where(w) + QStringLiteral(" outside its parent");
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->text().isEmpty()) continue;
            const QSize hint = label->sizeHint();
            const bool fits =
                label->wordWrap()
                    ? label->heightForWidth(label->width()) <= label->height()
                    : hint.width() <= label->width() && hint.height() <= label->height();
            if (!fits) faults << Where(w) + QStringLiteral(" cut");
        } else if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QCheckBox*>(w) ||
                   qobject_cast<const QRadioButton*>(w)) {
            const auto* button = static_cast<const QAbstractButton*>(w);
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
                faults << Where(w) + QStringLiteral(" cut");
        }
    }
    return faults;
}

// Every page of every page control is looked at.
QStringList ClippedOnEveryPage(QWidget* window) {
    QStringList faults;
    const QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
    if (tabs.isEmpty()) return Clipped(window);
    for (QTabWidget* tab : tabs) {
        for (int i = 0; i < tab->count(); ++i) {
            tab->setCurrentIndex(i);
            QCoreApplication::processEvents();
            for (const QString& f : Clipped(window))
                faults << QStringLiteral("page %1: ").arg(i) + f;
        }
        tab->setCurrentIndex(0);
    }
    return faults;
}

bool Show(QWidget& window) {
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

class WindowFitTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QFont systemFont_;
    TProfileRec profile_;

    std::string Builder() const { return dir_.path().toStdString() + "/PEB"; }

    void StoreBuilderAndProfile(int profiles) {
        RegDeleteKey(0, kRoot);
        RegWriteInteger(0, kRoot, "BuilderCount", 1);
        RegWriteString(0, kRoot + "\\PEBuilder", "001", "\"Demo\",\"" + Builder() + "\"");
        RegWriteInteger(0, kRoot, "ProfileCount", profiles);
        for (int i = 1; i <= profiles; ++i) {
            TProfileRec p = profile_;
            p.ProfileName = "Profile " + std::to_string(i);
            WriteProfileRec(ProfileKey(i), p);
        }
    }

    // The language and the text size of a row; english.rsl's own size is 9 points.
    void UseLanguage(const QString& language, int points) {
        MessageTable& table = MessageTable::Instance();
        table.Clear();
        QFont font = systemFont_;
        if (language == QStringLiteral("en")) {
            QVERIFY(table.LoadResource(VRNX2_EXAMPLES_DIR "/lang/english.rsl"));
            table.font1.size = points;
            table.font2.size = points + 1;
        } else {
            table.LoadBuiltIn();
            font.setPointSize(points);
        }
        QApplication::setFont(font);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        systemFont_ = QApplication::font();
        // A builder with a few plugins, so the plugin window has a tree to show.
        const std::string plugin = Builder() + "/Plugin";
        Write(Builder() + "/pebuilder.exe", "MZ");
        for (const char* name : {"Nic", "Disk", "Shell"})
            Write(plugin + "/" + name + "/" + name + ".inf",
                  std::string("[Version]\r\nSignature=\"$Windows NT$\"\r\n[PEBuilder]\r\nName=") +
                      name + "\r\nEnable=1\r\nVX_Category=Tools\r\n");
        profile_.ProfileNumber = 1;
        profile_.ProfileName = "Rescue CD";
        profile_.Builder.Name = "Demo";
        profile_.Builder.Path = Builder() + "/";
        profile_.Builder.Number = 1;
    }
    void init() {
        faulty_store::Reset();
        RegDeleteKey(0, kRoot);
    }
    void cleanup() {
        QApplication::setFont(systemFont_);
        MessageTable::Instance().Clear();
    }

    void everyWindowShowsAllItsContent_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("points");
        QTest::newRow("Japanese, 9 points") << QStringLiteral("ja") << 9;
        QTest::newRow("Japanese, 12 points") << QStringLiteral("ja") << 12;
        QTest::newRow("English, 9 points") << QStringLiteral("en") << 9;
        QTest::newRow("English, 12 points") << QStringLiteral("en") << 12;
    }
    void everyWindowShowsAllItsContent() {
        QFETCH(QString, language);
        QFETCH(int, points);
        UseLanguage(language, points);
        StoreBuilderAndProfile(0);

        std::vector<std::pair<QString, std::function<std::unique_ptr<QWidget>()>>> windows;
        windows.emplace_back(QStringLiteral("main window, basic, empty list"),
                             [] { return std::make_unique<TVRNX_Form>(); });
        windows.emplace_back(QStringLiteral("main window, advanced"), [] {
            auto form = std::make_unique<TVRNX_Form>();
            form->SetBuildStyle(true);
            return form;
        });
        windows.emplace_back(QStringLiteral("plugin window"), [this] {
            return std::make_unique<TPlugin_Form>(nullptr, profile_, true);
        });
        windows.emplace_back(QStringLiteral("builder registration"),
                             [] { return std::make_unique<TREGISTER_BUILDER_FORM>(); });
        windows.emplace_back(QStringLiteral("builder edit"),
                             [] { return std::make_unique<TBUILDER_DLG>(); });
        windows.emplace_back(QStringLiteral("builder selection"),
                             [] { return std::make_unique<TSelectBuilder_Dialog>(); });
        static const DriveHolder noDrives;
        windows.emplace_back(QStringLiteral("build options"), [this] {
            return std::make_unique<TOptions_Form>(nullptr, profile_, noDrives);
        });
        windows.emplace_back(QStringLiteral("preferences"),
                             [] { return std::make_unique<TPREFERENSES_Form>(); });
        windows.emplace_back(QStringLiteral("about box"), [] {
            return std::make_unique<TAboutBox>(nullptr, QStringLiteral("https://example.org/"));
        });

        for (auto& [name, make] : windows) {
            std::unique_ptr<QWidget> window = make();
            QVERIFY2(Show(*window), qPrintable(name));
            const QStringList faults = ClippedOnEveryPage(window.get());
            QVERIFY2(faults.isEmpty(),
                     qPrintable(name + QStringLiteral(": ") + faults.join(QStringLiteral("; "))));
            // A dialog lies wholly on the screen: OK and Cancel of a tall one stay in reach,
            // its content scrolls. So does a window that may be as small as the screen.
            const QRect area = AreaFor(window->frameGeometry());
            const bool dialog = qobject_cast<QDialog*>(window.get()) &&
                                !qobject_cast<TPlugin_Form*>(window.get()) &&
                                !qobject_cast<TREGISTER_BUILDER_FORM*>(window.get());
            if (dialog || (window->minimumWidth() <= area.width() &&
                           window->minimumHeight() <= area.height()))
                QTRY_VERIFY2(
                    area.contains(window->frameGeometry()),
                    qPrintable(name + QStringLiteral(" at ") + QString::number(window->height()) +
                               QStringLiteral(" high on a screen of ") +
                               QString::number(area.height())));
            // The designed size, measured for 9-point text, grows with the text.
            if (name == QStringLiteral("build options") && points == 12 &&
                language == QStringLiteral("ja"))
                QVERIFY2(window->width() >= 464 * 12 / 9, qPrintable(name));
        }
    }

    // The program's own question windows: the one-line input and a two-line message.
    void questionWindowsShowAllTheirText_data() { everyWindowShowsAllItsContent_data(); }
    void questionWindowsShowAllTheirText() {
        QFETCH(QString, language);
        QFETCH(int, points);
        UseLanguage(language, points);
        QtUserInterface ui;
        QStringList faults{QStringLiteral("never shown")};
        auto inspect = [&faults](QWidget* w) {
            faults = QTest::qWaitForWindowExposed(w) ? Clipped(w)
                                                     : QStringList{QStringLiteral("never exposed")};
            w->close();
        };
        OnNextModal(inspect);
        std::string text = "x";
        ui.InputText(Msg("135"), Msg("136"), text);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        faults = QStringList{QStringLiteral("never shown")};
        OnNextModal(inspect);
        ui.MessageBox(Msg("146") + "\r\n" + Msg("147"), Msg("138"), MB_ERROR_RETRYCANCEL);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // All 21 variables are on the third page of the options dialog, none hidden until the
    // dialog is enlarged.
    void optionsListEveryVariable() {
        MessageTable::Instance().LoadBuiltIn();
        const DriveHolder drives;
        TOptions_Form form(nullptr, profile_, drives);
        QVERIFY(Show(form));
        form.findChild<QTabWidget*>(QStringLiteral("PC1"))->setCurrentIndex(2);
        auto* list = form.findChild<QLabel*>(QStringLiteral("lblVarList"));
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->text().replace(QLatin1Char('\n'), QLatin1Char(' ')),
                 QString::fromStdString(MacroListText()));
        QVERIFY(list->sizeHint().height() <= list->height());
        QVERIFY(form.rect().contains(QRect(list->mapTo(&form, QPoint()), list->size())));
    }

    // The tree page's 14 buttons are all shown at the window's opening size.
    void pluginButtonsNeedNoScrollBarWhenOpened_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("Japanese") << QStringLiteral("ja");
        QTest::newRow("English") << QStringLiteral("en");
    }
    void pluginButtonsNeedNoScrollBarWhenOpened() {
        QFETCH(QString, language);
        UseLanguage(language, 9);
        TPlugin_Form form(nullptr, profile_, true);
        QVERIFY(Show(form));
        auto* panel = form.findChild<QScrollArea*>(QStringLiteral("TreePnl"));
        QVERIFY(panel);
        QVERIFY(!panel->verticalScrollBar()->isVisible());
        for (QPushButton* b : panel->widget()->findChildren<QPushButton*>())
            QVERIFY2(panel->viewport()->rect().contains(
                         QRect(b->mapTo(panel->viewport(), QPoint()), b->size())),
                     qPrintable(b->text()));
    }

    // Stored geometry from a larger monitor, or typed by hand, opens every window wholly on
    // the screen; the stored values stay until the window closes.
    void storedGeometryIsKeptOnTheScreen_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        for (const char* w : {"Main", "Plugin", "Register Builder"}) {
            QTest::addRow("%s, larger monitor", w)
                << QString::fromLatin1(w) << 2400 << 1800 << 1000 << 600;
            QTest::addRow("%s, absurd", w) << QString::fromLatin1(w) << 600 << 0x7FFFFFFF << 100
                                           << static_cast<int>(0x80000000u);
            QTest::addRow("%s, other screen", w)
                << QString::fromLatin1(w) << 472 << 300 << -5000 << 4000;
        }
    }
    void storedGeometryIsKeptOnTheScreen() {
        QFETCH(QString, window);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, left);
        QFETCH(int, top);
        MessageTable::Instance().LoadBuiltIn();
        StoreBuilderAndProfile(1);
        const std::string key = kRoot + "\\Forms\\" + window.toStdString();
        RegWriteInteger(0, key, "Width", width);
        RegWriteInteger(0, key, "Height", height);
        RegWriteInteger(0, key, "Left", left);
        RegWriteInteger(0, key, "Top", top);

        std::unique_ptr<QWidget> form;
        if (window == QStringLiteral("Main"))
            form = std::make_unique<TVRNX_Form>();
        else if (window == QStringLiteral("Plugin"))
            form = std::make_unique<TPlugin_Form>(nullptr, profile_, true);
        else
            form = std::make_unique<TREGISTER_BUILDER_FORM>();
        QVERIFY(Show(*form));
        const QRect area = AreaFor(form->frameGeometry());
        QTRY_VERIFY2(area.contains(form->frameGeometry()),
                     qPrintable(QStringLiteral("%1 x %2 at %3, %4 on %5 x %6")
                                    .arg(form->width())
                                    .arg(form->height())
                                    .arg(form->x())
                                    .arg(form->y())
                                    .arg(area.width())
                                    .arg(area.height())));
        QVERIFY(Clipped(form.get()).isEmpty());
        QCOMPARE(RegReadInteger(0, key, "Height", 0), height);
        QCOMPARE(RegReadInteger(0, key, "Top", 0), top);
    }

    // The log panel shown during and after a build takes its height from the window: the
    // list keeps its rows.
    void logPanelLeavesTheListItsRows() {
        MessageTable::Instance().LoadBuiltIn();
        StoreBuilderAndProfile(6);
        const std::string log = dir_.path().toStdString() + "/pebuilder.log";
        Write(log, "one\ntwo\nthree\nfour\nfive\n");
        TVRNX_Form form;
        QVERIFY(Show(form));
        QTreeView* list = form.ProfileView();
        const int listHeight = list->height();
        const int formHeight = form.height();
        const int row = list->visualRect(list->model()->index(0, 0)).height();
        QVERIFY(row > 0);

        form.WatchLog(log);
        QTRY_VERIFY(form.LogTailView()->isVisible());
        QTRY_VERIFY(form.height() > formHeight);
        QVERIFY(list->height() >= listHeight - 2);
        QVERIFY(list->viewport()->height() >= 4 * row);
        form.WatchLog("");

        // Even a window shrunk to its least size keeps a few rows above the panel.
        form.resize(form.minimumSize());
        QTRY_VERIFY(list->viewport()->height() >= 3 * row);
        QVERIFY(Clipped(&form).isEmpty());

        // Selecting another row takes the panel away and gives the height back.
        const int withPanel = form.height();
        list->setCurrentIndex(list->model()->index(2, 0));
        QTRY_VERIFY(!form.LogTailView()->isVisible());
        QVERIFY(form.height() < withPanel);
    }

    // The first start: an empty list says what to do first, in the language in use, and
    // the text goes once a profile exists. Action states are untouched.
    void emptyListExplainsTheFirstStep() {
        MessageTable::Instance().LoadBuiltIn();
        TVRNX_Form form;
        QVERIFY(Show(form));
        QLabel* hint = form.EmptyListHintLabel();
        QVERIFY(hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("PE Builderの登録")));
        QVERIFY(hint->text().contains(QStringLiteral("F8")));
        QVERIFY(!form.Action("ADD_PROFILE")->isEnabled());
        QVERIFY(form.ProfileView()->viewport()->rect().contains(hint->geometry()));
        QVERIFY(Clipped(&form).isEmpty());

        RegWriteInteger(0, kRoot, "BuilderCount", 1);
        form.ActionStateUpdate();
        QVERIFY(hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("追加")));
        QVERIFY(form.Action("ADD_PROFILE")->isEnabled());

        form.Profiles().Append(profile_);
        form.ProfilesChanged();
        QVERIFY(!hint->isVisible());
    }

    void emptyListHintFollowsTheLanguage() {
        UseLanguage(QStringLiteral("en"), 9);
        TVRNX_Form form;
        QVERIFY(Show(form));
        QCOMPARE(form.EmptyListHintLabel()->text(),
                 QStringLiteral("No PE Builder is registered yet. Register one first: Settings "
                                "menu, Register PE Builder (F8)."));
    }
};

QTEST_MAIN(WindowFitTest)
#include "WindowFit_test.moc"
