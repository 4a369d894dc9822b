// The main window while a build waits for a slow builder: it keeps running its timers and
// painting, shows the log's last lines, and takes no input that could start another build.

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/StandInBuild.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/build/TryImage.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/QtUserInterface.h"
#include "vrnx2/shell/ui/WaitNotifier.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Delivers what is queued (posted events, due timers): input kept back during a wait and
// replayed afterwards would arrive here.
void DeliverPending() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Keeps the texts of the boxes it shows.
class RecordingInterface : public QtUserInterface {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        texts.push_back(text);
        return QtUserInterface::MessageBox(text, caption, flags);
    }
    bool Showed(const std::string& part) const {
        for (const auto& t : texts)
            if (t.find(part) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> texts;
};

}  // namespace

class BuildWaitTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        MessageTable::Instance().LoadBuiltIn();
        ::setenv(kAutoAnswerVariable, "yes", 1);
        ::setenv("PEBUILDER_DELAY_MS", "1500", 1);
        previous_ = SetUserInterface(&ui_);
    }
    void cleanupTestCase() {
        SetUserInterface(previous_);
        ::unsetenv(kAutoAnswerVariable);
        ::unsetenv("PEBUILDER_DELAY_MS");
    }

    // A builder folder with the stand-in builder, and two profiles that use it.
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        root_ = dir_->path().toStdString();
        RegDeleteKey(0, kVarnexKey);
        TProfileRec p = LayOutStandInBuild(root_, "pebuilder", "Slow");
        p.Builder.Path += "/";
        p.Source += "/";
        RegWriteInteger(0, kVarnexKey, "BuilderCount", 1);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 2);
        WriteProfileRec(ProfileKey(1), p);
        p.ProfileName = "Other";
        WriteProfileRec(ProfileKey(2), p);
    }

    void windowStaysAliveAndRefusesASecondBuild() {
        TVRNX_Form form;
        Hook(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QPlainTextEdit* tail = form.findChild<QPlainTextEdit*>(QStringLiteral("LogTail"));
        QVERIFY(tail);
        QVERIFY(!tail->isVisible());
        PaintCounter painted;
        tail->viewport()->installEventFilter(&painted);

        int ticks = 0, paintsWhileBuilding = 0;
        bool tailShown = false, resized = false, busyPointer = false;
        QSize resizedTo;
        QString tailWhileBuilding;
        WhileBuilding([&] {
            if (++ticks == 1) {
                // Every way of asking for another build or another profile.
                QTest::keyClick(&form, Qt::Key_F7);
                QTest::mouseClick(
                    form.findChild<QPushButton*>(QStringLiteral("BASIC_BUILD_Button")),
                    Qt::LeftButton);
                QTest::keyClick(form.ProfileView(), Qt::Key_Down);
                resizedTo = form.size() + QSize(40, 30);
                form.resize(resizedTo);
                return;
            }
            resized = resized || form.size() == resizedTo;
            paintsWhileBuilding = painted.paints;
            busyPointer = QApplication::overrideCursor() &&
                          QApplication::overrideCursor()->shape() == Qt::BusyCursor;
            tailShown = tailShown || tail->isVisible();
            if (tail->toPlainText().contains(QStringLiteral("Working")))
                tailWhileBuilding = tail->toPlainText();
        });
        QTest::keyClick(&form, Qt::Key_F7);

        QCOMPARE(runs_, 1);
        QVERIFY(ticks >= 4);
        QVERIFY(resized);
        QVERIFY(tailShown);
        QVERIFY2(tailWhileBuilding.count(QLatin1Char('\n')) <= 3, qPrintable(tailWhileBuilding));
        QVERIFY(paintsWhileBuilding > 0);
        QVERIFY(busyPointer);
        QVERIFY(!QApplication::overrideCursor());
        // How the build ended stays in view; input dropped during the wait is not replayed.
        QVERIFY(tail->isVisible());
        QVERIFY2(tail->toPlainText().endsWith(QStringLiteral("Done.")),
                 qPrintable(tail->toPlainText()));
        DeliverPending();
        QCOMPARE(runs_, 1);
        QCOMPARE(form.SelectedRow(), 0);

        // The next build is taken as usual.
        QTest::keyClick(&form, Qt::Key_F7);
        QCOMPARE(runs_, 2);
        // Choosing another profile puts the last build's lines away.
        QTest::keyClick(form.ProfileView(), Qt::Key_Down);
        QCOMPARE(form.SelectedRow(), 1);
        QVERIFY(!tail->isVisible());
    }

    void closingDuringABuildClosesAfterIt() {
        TVRNX_Form form;
        Hook(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        bool refused = false;
        WhileBuilding([&] {
            if (!refused) refused = !form.close();
        });
        QTest::keyClick(&form, Qt::Key_F7);
        QCOMPARE(runs_, 1);
        QVERIFY(refused);
        QVERIFY(form.isVisible());
        QTRY_VERIFY(!form.isVisible());
        // Closed as usual, keeping its state.
        QCOMPARE(RegReadInteger(0, kMainFormKey, "Width", -1), form.width());
    }

    // One build per builder folder, whichever program runs it; the other is refused.
    void windowAndConsoleNeverBuildOneBuilderAtOnce() {
        RegWriteBool(0, ProfileKey(1), "Manage Order", true);
        RegWriteString(0, ProfileKey(1) + "\\Plugin", "\"A\",\"a\\a.inf\"", "\"1\",\"\",\"1\"");
        const fs::path plugin = root_ / "builder/Plugin/a/a.inf";
        fs::create_directories(plugin.parent_path());
        std::ofstream(plugin, std::ios::binary)
            << "[Version]\r\nSignature=\"$Windows NT$\"\r\n[PEBuilder]\r\nName=\"A\"\r\n"
               "Enable=0\r\n";
        const std::string cli = std::string(std::getenv("TEST_BIN_DIR")) + "/vrnx2-cli";
        TVRNX_Form form;
        Hook(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        // The window builds; a console build meanwhile is refused, naming this program.
        ChildRun console;
        WhileBuilding([&] {
            if (console.exitCode == -1 && console.err.empty())
                console = RunChild({cli, "build", "1", "--yes"}, root_);
        });
        QTest::keyClick(&form, Qt::Key_F7);
        QCOMPARE(console.exitCode, 3);
        QVERIFY2(
            console.err.find("(process " + std::to_string(::getpid()) + ")") != std::string::npos,
            console.err.c_str());
        QVERIFY(fs::exists(plugin));
        QVERIFY(!fs::exists(root_ / "builder/!Plugin!"));

        // A console build holds the builder folder: the window's build is refused in a box.
        timer_.reset();
        fs::remove(root_ / "builder/pebuilder.log");
        const StartedChild running = StartChild({cli, "build", "1", "--yes"}, root_);
        QVERIFY(running.pid > 0);
        for (int i = 0;
             i < 500 &&
             !ReadText(root_ / "builder/pebuilder.log").contains(QStringLiteral("Working"));
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ui_.texts.clear();
        QTest::keyClick(&form, Qt::Key_F7);
        QVERIFY(
            ui_.Showed("vrnx2-cli build 1 --yes (process " + std::to_string(running.pid) + ")"));
        const ChildRun done = FinishChild(running);
        QCOMPARE(done.exitCode, 0);
        QVERIFY(fs::exists(plugin));
        QVERIFY(!fs::exists(root_ / "builder/!Plugin!"));
    }

    // A builder that ignores the terminate signal and starts children: Stop (its action,
    // confirmed) ends them all and the plugin folder comes back; Escape asks the same.
    void stopEndsAHangingBuild() {
        const fs::path builder = root_ / "builder";
        WriteHangingBuilder(builder);
        fs::create_directories(builder / "Plugin/a");
        std::ofstream(builder / "Plugin/a/a.inf") << "[PEBuilder]\r\nName=A\r\n";
        TProfileRec p = ReadProfileRec(ProfileKey(1));
        p.ManageOrder = true;
        WriteProfileRec(ProfileKey(1), p);
        TVRNX_Form form;
        Hook(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QAction* stop = form.Action("STOP_BUILD");
        auto* button = form.findChild<QPushButton*>(QStringLiteral("STOP_BUILD_Button"));
        QVERIFY(stop && button);
        QVERIFY(!stop->isEnabled() && !button->isVisible());

        QSignalSpy escapes(&WaitNotifier::Instance(), &WaitNotifier::stopAsked);
        bool shownWhileBuilding = false, stashed = false, escapePressed = false;
        bool declinedKeepsBuilding = false;
        WhileBuilding([&] {
            const std::vector<int> pids = HangingBuilderPids(builder);
            if (pids.empty()) return;
            shownWhileBuilding = stop->isEnabled() && button->isVisible();
            stashed = fs::exists(builder / "!Plugin!");
            // Escape asks too; declined, the build goes on.
            if (!escapePressed) {
                escapePressed = true;
                ::setenv(kAutoAnswerVariable, "no", 1);
                QTest::keyClick(&form, Qt::Key_Escape);
                return;
            }
            declinedKeepsBuilding = escapes.count() == 1 && ProcessAlive(pids[0]);
            ::setenv(kAutoAnswerVariable, "yes", 1);
            stop->trigger();
        });
        QTest::keyClick(&form, Qt::Key_F7);
        ::setenv(kAutoAnswerVariable, "yes", 1);
        QCOMPARE(runs_, 1);
        QVERIFY(shownWhileBuilding);
        QVERIFY(stashed);
        QVERIFY(declinedKeepsBuilding);
        QVERIFY(result_.stopped);
        QVERIFY(!stop->isEnabled() && !button->isVisible());
        const std::vector<int> pids = HangingBuilderPids(builder);
        QCOMPARE(pids.size(), size_t{3});
        for (int pid : pids) QTRY_VERIFY(!ProcessAlive(pid));
        QVERIFY(fs::exists(builder / "Plugin/a/a.inf"));
        QVERIFY(!fs::exists(builder / "!Plugin!"));
    }

    // A terminate signal during that build stops it without asking (a "no" is never
    // consulted) and closes the window once the plugin folder is back.
    void terminateSignalStopsTheBuildThenCloses() {
        const fs::path builder = root_ / "builder";
        WriteHangingBuilder(builder);
        TVRNX_Form form;
        Hook(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        bool signalled = false;
        WhileBuilding([&] {
            if (signalled || HangingBuilderPids(builder).empty()) return;
            signalled = true;
            ::setenv(kAutoAnswerVariable, "no", 1);
            form.CloseOnSignal();
        });
        QTest::keyClick(&form, Qt::Key_F7);
        ::setenv(kAutoAnswerVariable, "yes", 1);
        QVERIFY(signalled);
        QVERIFY(result_.stopped);
        for (int pid : HangingBuilderPids(builder)) QTRY_VERIFY(!ProcessAlive(pid));
        QTRY_VERIFY(!form.isVisible());
    }

    // Build ▸ Try in a virtual machine: enabled once the image exists, starts QEMU (here a
    // logging stand-in) without waiting; a second start while it runs is told, not made.
    void tryStartsTheMachineWithoutWaiting() {
        const fs::path log = root_ / "qemu.log";
        const fs::path script = root_ / "qemu.sh";
        std::ofstream(script)
            << "#!/bin/sh\n[ \"$1 $2\" = '-display help' ] && echo gtk && exit 0\n"
               "echo \"$@\" >> '"
            << log.string() << "'\nexec sleep 3\n";
        fs::permissions(script, fs::perms::owner_all);
        ::setenv("VRNX2_QEMU", script.c_str(), 1);
        TProfileRec p = ReadProfileRec(ProfileKey(1));
        p.ISOPath = root_.string();
        p.ISOFile = "pe.iso";
        WriteProfileRec(ProfileKey(1), p);
        TVRNX_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QAction* tryIt = form.Action("TRY_IN_VM");
        QVERIFY(!tryIt->isEnabled());
        std::ofstream(root_ / "pe.iso") << "image";
        form.SelectionUpdate();
        QVERIFY(tryIt->isEnabled());
        QTest::keyClick(&form, Qt::Key_T, Qt::ControlModifier);
        QTRY_VERIFY(fs::exists(log) && fs::file_size(log) > 0);
        QVERIFY(ReadText(log).contains(QStringLiteral("file=") +
                                       QString::fromStdString(root_.string())));
        // Told that one runs (answered by VRNX2_AUTO_ANSWER): so the first start did not wait
        // for the machine (it lives 3 seconds), and no second was made.
        tryIt->trigger();
        QVERIFY(ui_.Showed(Msg(kMsgVirtualMachineRunning)));
        QCOMPARE(ReadText(log).count(QLatin1Char('\n')), 1);
        ::unsetenv("VRNX2_QEMU");
    }

private:
    static QString ReadText(const fs::path& file) {
        std::ifstream in(file);
        return QString::fromStdString(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }

    void Hook(TVRNX_Form& form) {
        runs_ = 0;
        building_ = false;
        form.hooks.runBuild = [this](BuildMode mode, const TProfileRec& rec,
                                     const BuildSteps& steps) {
            ++runs_;
            building_ = true;
            result_ = RunBuild(mode, rec, steps, BuildEnvironment{(root_ / "prog").string()});
            building_ = false;
        };
    }

    // Runs `tick` every 200 ms while a build runs.
    void WhileBuilding(std::function<void()> tick) {
        timer_ = std::make_unique<QTimer>();
        timer_->setInterval(200);
        QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this, tick] {
            if (building_) tick();
        });
        timer_->start();
    }

    RecordingInterface ui_;
    UserInterface* previous_ = nullptr;
    std::unique_ptr<QTemporaryDir> dir_;
    fs::path root_;
    std::unique_ptr<QTimer> timer_;
    int runs_ = 0;
    bool building_ = false;
    BuildResult result_;
};

QTEST_MAIN(BuildWaitTest)
#include "BuildWait_test.moc"
