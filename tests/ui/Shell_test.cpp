// The window program as a process (reset, single instance, the language resource beside
// it) and the Qt side of the user interface (message boxes, input dialog, fonts).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "platform/CodePage.h"
#include "tests/ui/NextModal.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/QtUserInterface.h"
#include "vrnx2/shell/ui/SingleInstance.h"

using namespace vrnx2;

namespace {

QString Program() {
    return QDir(qEnvironmentVariable("TEST_BIN_DIR")).filePath(QStringLiteral("vrnx2"));
}

// Children answer their own message boxes and print them to standard error.
void Start(QProcess& p, const QStringList& args, const QString& program = Program()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VRNX2_AUTO_ANSWER"), QStringLiteral("ok"));
    p.setProcessEnvironment(env);
    p.start(program, args);
}

// Runs to the end; the exit code, or -1 for a crash or a hang.
int RunToEnd(const QStringList& args, QString* err = nullptr, const QString& program = Program()) {
    QProcess p;
    Start(p, args, program);
    if (!p.waitForFinished(30000)) p.kill();
    p.waitForFinished();
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// A first instance listens once it holds the lock.
bool WaitForListening(QProcess& first) {
    if (!first.waitForStarted(30000)) return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000 && first.state() == QProcess::Running) {
        QLocalSocket s;
        s.connectToServer(SingleInstance::ServerName());
        if (s.waitForConnected(200)) return true;
        QTest::qWait(100);
    }
    return false;
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    // The instance lock and socket go into a folder of this test, not the user's.
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }
    void init() { MessageTable::Instance().LoadBuiltIn(); }

    void resetDeletesTheTreeAndEnds() {
        for (const QStringList& args : {QStringList{QStringLiteral("-I")},
                                        QStringList{QStringLiteral("x"), QStringLiteral("/i")}}) {
            RegWriteString(0, std::string(kVarnexKey) + "\\Profiles\\001", "ProfileName", "p");
            QString err;
            QCOMPARE(RunToEnd(args, &err), 0);
            QVERIFY2(err.contains(QStringLiteral("Varnex: レジストリを初期化しました。")),
                     qPrintable(err));
            QVERIFY(!RegKeyExists(0, "Software\\HALV", "Varnex v2"));
        }
    }

    void resetSecondStartAndKilledInstance() {
        QProcess first;
        Start(first, {});
        QVERIFY(WaitForListening(first));

        RegWriteInteger(0, kVarnexKey, "BuildStyle", 1);
        QCOMPARE(RunToEnd({QStringLiteral("-I")}), 0);
        QCOMPARE(RegReadInteger(0, kVarnexKey, "BuildStyle", 0), 0);

        QCOMPARE(RunToEnd({}), 0);
        QCOMPARE(first.state(), QProcess::Running);

        // A lock left by a killed instance must not keep the program from starting again.
        first.kill();
        first.waitForFinished();
        QProcess next;
        Start(next, {});
        QVERIFY(WaitForListening(next));
        next.kill();
        next.waitForFinished();
    }

    void secondStartRestoresAndRaisesTheFirst() {
        SingleInstance instance;
        QVERIFY(instance.Acquire());
        QWidget window;
        window.showMinimized();
        QObject::connect(&instance, &SingleInstance::activateRequested, &window,
                         [&window] { BringToFront(&window); });
        QSignalSpy activated(&instance, &SingleInstance::activateRequested);

        QProcess second;
        Start(second, {});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(activated.count(), 1);
        QVERIFY(!window.isMinimized());
        QVERIFY(
            !QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("Varnex")));
    }

    void resourceInTheAnsiCodePageBesideTheProgram() {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("vrnx2"));
        QVERIFY(QFile::copy(Program(), copy));
        QFile rsl(dir.filePath(QStringLiteral("vrnx2.rsl")));
        QVERIFY(rsl.open(QIODevice::WriteOnly));
        const std::string bytes =
            platform::Utf8ToAnsi("[Strings]\r\n028 = 初期化済み\r\n029=Titel\r\n", 932);
        rsl.write(bytes.data(), qint64(bytes.size()));
        rsl.close();
        QString err;
        QCOMPARE(RunToEnd({QStringLiteral("-I")}, &err, copy), 0);
        QVERIFY2(err.contains(QStringLiteral("Titel: 初期化済み")), qPrintable(err));
    }

    void messageBoxFlagSets_data() {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("answer");
        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        const int retry = QMessageBox::Retry | QMessageBox::Cancel;
        QTest::newRow("error") << uint(MB_ERROR_OK) << int(QMessageBox::Critical)
                               << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(ID_OK);
        QTest::newRow("question yes") << uint(MB_QUESTION_YESNO) << int(QMessageBox::Question)
                                      << yesNo << int(QMessageBox::Yes) << int(ID_YES);
        QTest::newRow("question no") << uint(MB_QUESTION_YESNO) << int(QMessageBox::Question)
                                     << yesNo << int(QMessageBox::No) << int(ID_NO);
        QTest::newRow("retry cancel") << uint(MB_ERROR_RETRYCANCEL) << int(QMessageBox::Critical)
                                      << retry << int(QMessageBox::Cancel) << int(ID_CANCEL);
        QTest::newRow("information") << uint(MB_INFORMATION) << int(QMessageBox::Information)
                                     << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(ID_OK);
    }

    void messageBoxFlagSets() {
        QFETCH(uint, flags);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, answer);
        QMessageBox::Icon seenIcon{};
        int seenButtons = 0;
        QString title, text;
        QStringList buttonTexts;
        OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return w->close(), void();
            seenIcon = box->icon();
            seenButtons = int(box->standardButtons());
            title = box->windowTitle();
            text = box->textFormat() == Qt::PlainText ? box->text() : QString();
            for (QAbstractButton* b : box->buttons()) buttonTexts << b->text();
            box->button(QMessageBox::StandardButton(press))->click();
        });
        const int result =
            QtUserInterface().MessageBox("<b>C:/x</b>\r\n" + Msg("053"), Msg("048"), flags);
        QCOMPARE(int(seenIcon), icon);
        QCOMPARE(seenButtons, buttons);
        QCOMPARE(title, QStringLiteral("確認"));
        QCOMPARE(text, QStringLiteral("<b>C:/x</b>\n続行しますか？"));  // never read as markup
        // Every button speaks the program's language (Japanese here), never Qt's English.
        QStringList expected;
        const std::pair<int, const char*> kTexts[] = {{QMessageBox::Ok, kMsgOK},
                                                      {QMessageBox::Cancel, kMsgCancel},
                                                      {QMessageBox::Yes, kMsgYes},
                                                      {QMessageBox::No, kMsgNo},
                                                      {QMessageBox::Retry, kMsgRetry}};
        for (const auto& [button, id] : kTexts)
            if (buttons & button) expected << QString::fromStdString(Msg(id));
        buttonTexts.sort();
        expected.sort();
        QCOMPARE(buttonTexts, expected);
        QCOMPARE(result, answer);
    }

    void inputText() {
        QtUserInterface ui;
        QString title, prompt, okText, cancelText, before;
        int maxLength = 0;
        OnNextModal([&](QWidget* w) {
            auto* label = w->findChild<QLabel*>(QStringLiteral("Prompt"));
            auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit"));
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("OK"));
            auto* cancel = w->findChild<QPushButton*>(QStringLiteral("Cancel"));
            if (!label || !edit || !ok || !cancel) return w->close(), void();
            title = w->windowTitle();
            prompt = label->wordWrap() ? label->text() : QString();
            okText = ok->isDefault() ? ok->text() : QString();
            cancelText = cancel->text();
            maxLength = edit->maxLength();
            before = edit->text();
            edit->setText(QStringLiteral("新しい名前"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        std::string text = "start";
        QVERIFY(ui.InputText(Msg("135"), Msg("136"), text));
        QCOMPARE(QString::fromStdString(text), QStringLiteral("新しい名前"));
        QCOMPARE(before, QStringLiteral("start"));
        QCOMPARE(title, QStringLiteral("プラグインのインストール"));
        QCOMPARE(prompt,
                 QStringLiteral("プラグインをインストールするフォルダ名を入力して下さい。"));
        QCOMPARE(okText, QStringLiteral("Ok"));
        QCOMPARE(cancelText, QStringLiteral("キャンセル"));
        QCOMPARE(maxLength, 255);
    }

    void progressShowsTheFileAndCancelStopsTheWork() {
        QtUserInterface ui;
        ui.BeginProgress("win.iso を展開しています", 1000);
        QProgressDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("ImageProgress"))
                dialog = qobject_cast<QProgressDialog*>(w);
        QVERIFY(dialog);
        QVERIFY(ui.Progress("I386/SHELL32.DL_", 500));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->labelText(), QStringLiteral("I386/SHELL32.DL_"));
        QCOMPARE(dialog->value(), 500);
        auto* cancel = dialog->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("キャンセル"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!ui.Progress("I386/OTHER.DL_", 600));
        ui.EndProgress(false);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QStringLiteral("ImageProgress"));
    }

    // A resource whose "Strings" hold only 001: the first menu shows it, the rest is empty.
    void onlyOneTextInTheResource() {
        MessageTable& table = MessageTable::Instance();
        table.Clear();
        table.languageLoaded = true;
        table.AddLine("001=X");
        TVRNX_Form form;
        const QList<QAction*> menus = form.menuBar()->actions();
        QVERIFY(menus.size() > 1);
        QCOMPARE(menus[0]->text(), QStringLiteral("X"));
        for (int i = 1; i < menus.size(); ++i) QCOMPARE(menus[i]->text(), QString());
        QCOMPARE(form.windowTitle(), QStringLiteral("Varnex v2"));
        table.Clear();
    }

    void fonts() {
        MessageTable& table = MessageTable::Instance();
        QWidget window;
        QTreeView view(&window);
        QWidget child(&window);

        // No resource: the design font, drawn with an installed CJK face.
        ApplyWindowFonts(&window, {&view});
        QCOMPARE(window.font().pixelSize(), 12);
        QVERIFY2(QFontInfo(window.font()).family().startsWith(QStringLiteral("Noto Sans CJK")),
                 qPrintable(QFontInfo(window.font()).family()));
        // It was drawn for a 9-point system font and grows with a larger one.
        const QFont system = QApplication::font();
        QFont larger = system;
        larger.setPointSize(12);
        QApplication::setFont(larger);
        ApplyWindowFonts(&window, {&view});
        QApplication::setFont(system);
        QCOMPARE(window.font().pixelSize(), 16);

        // A resource without font sections: the default settings.
        table.Clear();
        table.languageLoaded = true;
        ApplyWindowFonts(&window, {&view});
        QCOMPARE(window.font().families().value(0), QStringLiteral("MS UI Gothic"));
        QCOMPARE(window.font().pointSize(), 9);
        QCOMPARE(child.font().pointSize(), 9);
        QCOMPARE(view.font().pointSize(), 10);

        table.font1 = FontSetting{129, "Noto Serif CJK JP", 11};
        table.font2 = FontSetting{0, "Noto Sans Mono CJK JP", 13};
        ApplyWindowFonts(&window, {&view});
        QCOMPARE(QFontInfo(window.font()).family(), QStringLiteral("Noto Serif CJK JP"));
        QCOMPARE(window.font().pointSize(), 11);
        QCOMPARE(QFontInfo(view.font()).family(), QStringLiteral("Noto Sans Mono CJK JP"));
        QCOMPARE(view.font().pointSize(), 13);
        table.Clear();
    }

private:
    QTemporaryDir runtime_;
};

QTEST_MAIN(ShellTest)
#include "Shell_test.moc"
