// The main window builds with a Windows builder program through Wine, in the prefix of the
// test fixture (WINEPREFIX): the same run as vrnx2-cli build, shown in the window.

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/hive/Hive.h"
#include "platform/hive/RegExport.h"
#include "tests/support/HiveMaker.h"
#include "tests/support/StandInBuild.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/QtUserInterface.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ZForm(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

}  // namespace

class BuildWineTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(std::getenv("WINEPREFIX"));
        MessageTable::Instance().LoadBuiltIn();
        ::setenv(kAutoAnswerVariable, "yes", 1);
        previous_ = SetUserInterface(&ui_);
    }
    void cleanupTestCase() {
        SetUserInterface(previous_);
        ::unsetenv(kAutoAnswerVariable);
    }

    void basicBuildRunsTheWindowsBuilderThroughWine_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("64-bit") << QStringLiteral("pebuilder-win.exe");
        QTest::newRow("32-bit") << QStringLiteral("pebuilder-win32.exe");
    }

    // The builder also edits the source's registry hive, as a real one does.
    void basicBuildRunsTheWindowsBuilderThroughWine() {
        QFETCH(QString, program);
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        RegDeleteKey(0, kVarnexKey);
        TProfileRec p = LayOutStandInBuild(root, program.toStdString(), "Through Wine");
        std::ofstream(root / "source/I386/SETUPREG.HIV", std::ios::binary)
            << hive::WriteHive(testhive::SampleHive(3), 1);
        p.BuildParameter = "-auto -exit";
        RegWriteInteger(0, kVarnexKey, "BuilderCount", 1);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
        WriteProfileRec(ProfileKey(1), p);

        TVRNX_Form form;
        bool succeeded = false;
        form.hooks.runBuild = [&](BuildMode mode, const TProfileRec& rec, const BuildSteps& steps) {
            succeeded =
                RunBuild(mode, rec, steps, BuildEnvironment{(root / "prog").string()}).Succeeded();
        };
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F7);

        QVERIFY2(succeeded, ReadAll(root / "builder/pebuilder.log").c_str());
        const std::string inf = ReadAll(root / "builder/input.inf");
        QVERIFY2(inf.find("source=" + ZForm((root / "source").string())) != std::string::npos,
                 inf.c_str());
        QCOMPARE(ReadAll(root / "builder/out/bootsect.bin"), std::string("BOOT"));
        const hive::Hive built = hive::ReadHive(ReadAll(root / "builder/out/I386/SETUPREG.HIV"));
        const hive::Key* added = hive::FindKey(built.root, "VrnxStandIn");
        QVERIFY(added);
        QCOMPARE(added->values.size(), size_t{10});
        auto* tail = form.findChild<QPlainTextEdit*>(QStringLiteral("LogTail"));
        QVERIFY(tail);
        QVERIFY2(tail->toPlainText().endsWith(QStringLiteral("Done.")),
                 qPrintable(tail->toPlainText()));
    }

private:
    QtUserInterface ui_;
    UserInterface* previous_ = nullptr;
};

QTEST_MAIN(BuildWineTest)
#include "BuildWine_test.moc"
