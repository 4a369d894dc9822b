// The preferences dialog and the about box: names, captions, what OK, Cancel, the browse
// buttons and drops write, and the about box's version and link.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <functional>

#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/profiles/ui/PREFERENSES.h"
#include "vrnx2/profiles/ui/PreferenceWindows.h"
#include "vrnx2/profiles/ui/about.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace {

QString M(const char* id) {
    return QString::fromStdString(Msg(id));
}

template <typename T>
T* Child(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// Runs `body` on the preferences dialog OpenPreferences shows, then lets it end; a dialog
// that never appears fails the test instead of hanging it.
bool WithOpenDialog(const std::function<void(TPREFERENSES_Form&)>& body) {
    bool found = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* form = qobject_cast<TPREFERENSES_Form*>(modal)) {
            found = true;
            body(*form);
        }
        if (QApplication::activeModalWidget() == modal && modal) modal->close();
    });
    OpenPreferences(nullptr);
    return found;
}

// Drops `paths` on `target` as the shell does: through its window, enter then drop.
void Drop(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPointF at = target->mapTo(target->window(), QPointF(5, 5));
    QWindow* window = target->window()->windowHandle();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

}  // namespace

class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageTable::Instance().LoadBuiltIn(); }
    void init() {
        faulty_store::Reset();
        RegDeleteKey(0, kVarnexKey);
    }

    void dialogCarriesNamesAndSize() {
        TPREFERENSES_Form form;
        QCOMPARE(form.windowTitle(), M("066"));
        QCOMPARE(Child<TEllipsisEdit>(form, "EE01"), form.EE01());
        QCOMPARE(Child<TEllipsisEdit>(form, "EE02"), form.EE02());
        QCOMPARE(Child<QCheckBox>(form, "CHB01"), form.CHB01());
        QCOMPARE(Child<QCheckBox>(form, "CHB02"), form.CHB02());
        // The labels' accelerators lead to their boxes.
        QCOMPARE(Child<QLabel>(form, "Label1")->buddy(), form.EE01());
        QCOMPARE(Child<QLabel>(form, "Label2")->buddy(), form.EE02());
        QVERIFY(Child<QPushButton>(form, "OK")->isDefault());
        QVERIFY(form.width() >= 472 && form.height() >= 232);
        QCOMPARE(form.minimumSize(), form.maximumSize());  // not resizable
    }

    void firstUseShowsEmptyBoxesAndOkWritesWhatTheControlsHold() {
        QVERIFY(WithOpenDialog([](TPREFERENSES_Form& form) {
            QVERIFY(form.EE01()->text().isEmpty());
            QVERIFY(form.EE02()->text().isEmpty());
            QVERIFY(!form.CHB01()->isChecked());
            QVERIFY(!form.CHB02()->isChecked());
            // Not validated: stored exactly as typed.
            form.EE01()->setText(QStringLiteral("/no/such/pb/"));
            form.CHB01()->setChecked(true);
            form.EE02()->setText(QStringLiteral("my editor"));
            QTest::mouseClick(Child<QPushButton>(form, "OK"), Qt::LeftButton);
        }));
        QCOMPARE(LoadPreferences(), (Preferences{"/no/such/pb/", true, "my editor", false}));
    }

    void cancelAndEscapeAfterEditingLeaveTheStoreAlone() {
        const Preferences stored{"/opt/pb", true, "/usr/bin/gedit", true};
        SavePreferences(stored);
        for (bool escape : {false, true}) {
            QVERIFY(WithOpenDialog([escape, &stored](TPREFERENSES_Form& form) {
                QCOMPARE(form.GetPreferences(), stored);
                form.SetPreferences(Preferences{"/x", false, "/y", false});
                if (escape)
                    QTest::keyClick(&form, Qt::Key_Escape);
                else
                    QTest::mouseClick(Child<QPushButton>(form, "Cancel"), Qt::LeftButton);
            }));
            QCOMPARE(LoadPreferences(), stored);
        }
    }

    // The virtual machine that tries a built image is set here as well, and OK stores it with
    // the rest: wherever the store fails, all or nothing is written.
    void virtualMachineSettingsAreStoredWithTheRest() {
        SaveVmPreferences({1024, "-smp 2", false});
        QVERIFY(WithOpenDialog([](TPREFERENSES_Form& form) {
            QCOMPARE(form.GetVmPreferences(), (VmPreferences{1024, "-smp 2", false}));
            QCOMPARE(Child<QSpinBox>(form, "VmMemory")->minimum(), kLeastVmMemoryMb);
            QTest::mouseClick(Child<QPushButton>(form, "Cancel"), Qt::LeftButton);
        }));
        const VmPreferences changed{2048, "-smp 2 -usb", true};
        for (int failAfter : {0, 1}) {
            ScriptedInterface ui;
            TPREFERENSES_Form form;
            form.SetPreferences(Preferences{"/opt/pb", false, "", false});
            form.SetVmPreferences(changed);
            form.show();
            faulty_store::FailAfter(failAfter);
            QTest::mouseClick(Child<QPushButton>(form, "OK"), Qt::LeftButton);
            const bool stored = LoadPreferences().pluginBuilderPath == "/opt/pb";
            QCOMPARE(LoadVmPreferences() == changed, stored);
            QCOMPARE(form.isVisible(), !stored);
            faulty_store::Reset();
        }
        QCOMPARE(LoadVmPreferences(), changed);
    }

    void storeThatCannotBeWrittenKeepsTheDialogOpen() {
        ScriptedInterface ui;
        TPREFERENSES_Form form;
        form.SetPreferences(Preferences{"/opt/pb", false, "", false});
        form.show();
        faulty_store::FailAfter(0);
        QTest::mouseClick(Child<QPushButton>(form, "OK"), Qt::LeftButton);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(ui.boxes[0].caption, Msg("045"));
        QCOMPARE(ui.boxes[0].flags, unsigned(MB_ERROR_OK));
        QVERIFY(form.isVisible());
        QCOMPARE(LoadPreferences(), Preferences{});  // nothing half-written

        faulty_store::Reset();
        QTest::mouseClick(Child<QPushButton>(form, "OK"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(LoadPreferences().pluginBuilderPath, std::string("/opt/pb"));
    }

    void browsingForPluginBuilderStoresTheFolderWithoutTrailingDelimiter() {
        ScriptedInterface ui;
        TPREFERENSES_Form form;
        form.EE01()->setText(QStringLiteral("/start"));
        ui.QueueFolder(std::string("/tools/pb/"));
        QTest::mouseClick(form.EE01()->Button(), Qt::LeftButton);
        QCOMPARE(form.EE01()->text(), QStringLiteral("/tools/pb"));
        QCOMPARE(ui.folderRequests.size(), size_t(1));
        QCOMPARE(ui.folderRequests[0].title, Msg("073"));
        QCOMPARE(ui.folderRequests[0].path, std::string("/start"));

        // Alt+Down browses too; a cancelled browse keeps the text.
        ui.QueueFolder(std::nullopt);
        QTest::keyClick(form.EE01(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ui.folderRequests.size(), size_t(2));
        QCOMPARE(ui.folderRequests[1].path, std::string("/tools/pb"));
        QCOMPARE(form.EE01()->text(), QStringLiteral("/tools/pb"));
    }

    void browsingForTheEditorStartsInItsFolder() {
        TPREFERENSES_Form form;
        QString folder, selected;
        QStringList filters;
        QString answer = QStringLiteral("/opt/editor/edit");
        form.chooseFile = [&](QWidget*, const QString& f, const QStringList& list,
                              const QString& s) {
            folder = f;
            filters = list;
            selected = s;
            return answer;
        };
        form.EE02()->setText(QStringLiteral("/usr/bin/gedit"));
        QTest::keyClick(form.EE02(), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(folder, QStringLiteral("/usr/bin/"));
        QCOMPARE(filters.size(), 2);
        QCOMPARE(selected, filters.last());  // a program without extension: all files
        QCOMPARE(form.EE02()->text(), QStringLiteral("/opt/editor/edit"));

        answer.clear();  // cancelled
        QTest::mouseClick(form.EE02()->Button(), Qt::LeftButton);
        QCOMPARE(folder, QStringLiteral("/opt/editor/"));
        QCOMPARE(form.EE02()->text(), QStringLiteral("/opt/editor/edit"));
    }

    void droppedNamesFillTheBoxes() {
        TPREFERENSES_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QStringList dropped{QStringLiteral("/tools/pb/"), QStringLiteral("/other")};
        Drop(form.EE01(), dropped);
        QCOMPARE(form.EE01()->text(), QStringLiteral("/tools/pb"));
        Drop(form.EE02(), dropped);
        QCOMPARE(form.EE02()->text(), QStringLiteral("/tools/pb/"));
    }

    void aboutBoxShowsTheVersionAndOpensItsLink() {
        const QString address = QStringLiteral("https://example.org/varnex?a=1&b=<2>");
        TAboutBox box(nullptr, address);
        QCOMPARE(box.windowTitle(), M("065"));
        QCOMPARE(Child<QLabel>(box, "Version")->text(), QStringLiteral("version 2.01"));
        std::string opened;
        box.openLink = [&](const std::string& a) {
            opened = a;
            return true;
        };
        emit box.Link()->linkActivated(box.Link()->text());
        QCOMPARE(QString::fromStdString(opened), address);

        TAboutBox noLink(nullptr, QString());
        QVERIFY(noLink.Link()->isHidden());
    }
};

QTEST_MAIN(PreferencesTest)
#include "Preferences_test.moc"
