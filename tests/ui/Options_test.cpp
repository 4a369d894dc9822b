// The profile options dialog's wiring: captions, what opening shows, which boxes clicks
// enable and clear, the output folder's two forms, choosers, drops and the OK path.

#include "vrnx2/profiles/ui/options.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "tests/support/ScriptedInterface.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/profiles/ui/OptionsWindow.h"

using namespace vrnx2;

namespace {

TProfileRec Profile() {
    TProfileRec p;
    p.ProfileName = "Osmite";
    p.Builder.Name = "PEB";
    p.Builder.Path = "/peb/";
    p.Builder.Number = 1;
    p.Source = "/src/";
    p.OutDir = "Osmite/";
    p.FullOutDir = "/peb/Osmite/";
    p.BuildISO = true;
    p.BurnCD = true;
    p.BurnUsing = 0;
    p.Verify = true;
    p.Device = "2,0,0";
    p.ExternalProgram1 = "prep @OutDir@\r\n";
    return p;
}

DriveHolder Drives() {
    DriveHolder list;
    for (const char* address : {"1,0,0", "2,0,0"}) {
        TCDDriverec rec;
        rec.Drive = "/dev/sr0";
        rec.Address = address;
        AddDriveRec(list, std::string("(/dev/sr) ") + address, rec);
    }
    return list;
}

template <class W>
W* Child(QWidget& form, const char* name) {
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(4, button->height() / 2));
}

}  // namespace

class OptionsFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageTable::Instance().LoadBuiltIn(); }

    void openingShowsTheProfile() {
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        QCOMPARE(form.windowTitle(),
                 QString::fromStdString(Msg("061") + "(" + Msg("075") + ") - [Osmite:PEB]"));
        auto* pages = Child<QTabWidget>(form, "PC1");
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(Child<TEllipsisEdit>(form, "GEE01")->text(), QStringLiteral("/src"));
        QCOMPARE(Child<TEllipsisEdit>(form, "GEE02")->text(), QStringLiteral("Osmite"));
        QVERIFY(Child<QRadioButton>(form, "GRB2")->isChecked());
        QCOMPARE(Child<QComboBox>(form, "BCB02")->currentIndex(), 1);
        QCOMPARE(Child<QPlainTextEdit>(form, "EMM01")->toPlainText(),
                 QStringLiteral("prep @OutDir@"));
        QVERIFY(!Child<QPlainTextEdit>(form, "EMM01")->isEnabled());
        QCOMPARE(Child<QCheckBox>(form, "BCH03_2")->text(), QString::fromStdString(Msg("150")));
        QCOMPARE(Child<QLabel>(form, "lblOutDir")->text(), QString::fromStdString(Msg("084")));
        QCOMPARE(Child<QPushButton>(form, "OK")->text(), QString::fromStdString(Msg("040")));
    }

    void clicksFollowTheDependencyRules() {
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        form.show();
        Child<QTabWidget>(form, "PC1")->setCurrentIndex(1);
        Child<QComboBox>(form, "BCB01")->setCurrentIndex(1);  // CD-Record
        QVERIFY(!Child<QCheckBox>(form, "BCH04_2")->isChecked());
        QVERIFY(!Child<QCheckBox>(form, "BCH04_2")->isEnabled());

        Click(Child<QCheckBox>(form, "BCH03"));
        QVERIFY(!Child<QCheckBox>(form, "BCH04")->isChecked());
        for (const char* name : {"BCH04", "BCH03_1", "BCH03_2", "BED01", "lblVolumeID", "BCB01",
                                 "BCB02", "lblDrive", "BCH04_1", "BCH04_3", "BCH04_5"})
            QVERIFY2(!Child<QWidget>(form, name)->isEnabled(), name);

        Click(Child<QCheckBox>(form, "BCH03"));
        QVERIFY(Child<QCheckBox>(form, "BCH04")->isEnabled());
        QVERIFY(!Child<QComboBox>(form, "BCB01")->isEnabled());  // burning is still off

        Child<QTabWidget>(form, "PC1")->setCurrentIndex(2);
        Click(Child<QCheckBox>(form, "ECH01"));
        QVERIFY(Child<QPlainTextEdit>(form, "EMM01")->isEnabled());
        QVERIFY(!Child<QPlainTextEdit>(form, "EMM02")->isEnabled());
    }

    void switchingOutputModeConvertsTheFolder() {
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        form.show();
        auto* box = Child<TEllipsisEdit>(form, "GEE02");
        Click(Child<QRadioButton>(form, "GRB1"));
        QCOMPARE(box->text(), QStringLiteral("/peb/Osmite"));
        box->setText(QStringLiteral("/Out"));
        Click(Child<QRadioButton>(form, "GRB2"));
        QCOMPARE(box->text(), QStringLiteral("../Out"));
        Click(Child<QRadioButton>(form, "GRB2"));  // already relative: nothing converts
        QCOMPARE(box->text(), QStringLiteral("../Out"));
        const TProfileRec p = form.Profile();
        QCOMPARE(QString::fromStdString(p.OutDir), QStringLiteral("../Out/"));
        QCOMPARE(QString::fromStdString(p.FullOutDir), QStringLiteral("/Out/"));
        QVERIFY(!p.UseAbsoluteOutput);
    }

    void choosersAndDropsFillThePathBoxes() {
        ScriptedInterface ui;
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        form.show();
        auto* output = Child<TEllipsisEdit>(form, "GEE02");
        ui.QueueFolder("/peb/folder/");
        Click(output->Button());
        QCOMPARE(output->text(), QStringLiteral("folder"));
        QCOMPARE(ui.folderRequests.size(), size_t{1});
        QCOMPARE(QString::fromStdString(ui.folderRequests[0].path), QStringLiteral("/peb/Osmite/"));
        QCOMPARE(ui.folderRequests[0].title, Msg("109"));

        auto* source = Child<TEllipsisEdit>(form, "GEE01");
        ui.QueueFolder(std::nullopt);  // cancelled: unchanged
        QTest::keyClick(source, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(source->text(), QStringLiteral("/src"));
        ui.QueueFolder("/cd/");
        QTest::keyClick(source, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(source->text(), QStringLiteral("/cd"));
        QCOMPARE(ui.folderRequests.back().title, Msg("108"));

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/peb/dropped/")),
                      QUrl::fromLocalFile(QStringLiteral("/second"))});
        // Without a drag under way Qt delivers no drop; the dialog's filter takes it first.
        QObject& filter = form;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QVERIFY(filter.eventFilter(output, &drop));
        QCOMPARE(output->text(), QStringLiteral("dropped"));
        QDropEvent dropIso(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QVERIFY(filter.eventFilter(Child<TEllipsisEdit>(form, "GEE03"), &dropIso));
        QCOMPARE(Child<TEllipsisEdit>(form, "GEE03")->text(), QStringLiteral("/peb/dropped"));
    }

    void theImageButtonChoosesAnImageFileAsTheSource() {
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        QString filter;
        QString chosen = QStringLiteral("/isos/winxp.iso");
        form.chooseImage = [&](QWidget*, const QString&, const QString& f) {
            filter = f;
            return chosen;
        };
        form.show();
        Click(Child<QPushButton>(form, "GBT_IMAGE"));
        QCOMPARE(Child<TEllipsisEdit>(form, "GEE01")->text(), QStringLiteral("/isos/winxp.iso"));
        QVERIFY(filter.contains(QStringLiteral("*.iso")));
        QCOMPARE(QString::fromStdString(form.Profile().Source), QStringLiteral("/isos/winxp.iso"));
        chosen.clear();  // cancelled: unchanged
        Click(Child<QPushButton>(form, "GBT_IMAGE"));
        QCOMPARE(Child<TEllipsisEdit>(form, "GEE01")->text(), QStringLiteral("/isos/winxp.iso"));
    }

    void typingKeepsToOneLineAndTheVolumeIdLimit() {
        const DriveHolder drives = Drives();
        TOptions_Form form(nullptr, Profile(), drives);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Child<QTabWidget>(form, "PC1")->setCurrentIndex(1);
        auto* volume = Child<QLineEdit>(form, "BED01");
        QTest::keyClicks(volume, QString(40, QLatin1Char('V')));
        QCOMPARE(volume->text().size(), 32);

        Child<QTabWidget>(form, "PC1")->setCurrentIndex(2);
        Click(Child<QCheckBox>(form, "ECH02"));
        auto* memo = Child<QPlainTextEdit>(form, "EMM02");
        memo->setFocus();
        QTest::keyClicks(memo, QStringLiteral("burn"));
        QTest::keyClick(memo, Qt::Key_Return);  // the default button takes it
        QCOMPARE(memo->toPlainText(), QStringLiteral("burn"));
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(form.Profile().ExternalProgram2),
                 QStringLiteral("burn\r\n"));
    }

    void okHandsTheProfileBackAndCancelKeepsIt() {
        TProfileRec profile = Profile();
        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<TOptions_Form*>(QApplication::activeModalWidget());
            QVERIFY(form);
            Child<QLineEdit>(*form, "GED01")->setText(QStringLiteral("cancelled.iso"));
            Click(Child<QPushButton>(*form, "Cancel"));
        });
        QVERIFY(!OpenProfileOptions(nullptr, profile));
        QCOMPARE(QString::fromStdString(profile.ISOFile), QString());

        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<TOptions_Form*>(QApplication::activeModalWidget());
            QVERIFY(form);
            Child<QLineEdit>(*form, "GED01")->setText(QStringLiteral("pe.iso"));
            Click(Child<QPushButton>(*form, "OK"));
        });
        QVERIFY(OpenProfileOptions(nullptr, profile));
        QCOMPARE(QString::fromStdString(profile.ISOFile), QStringLiteral("pe.iso"));
        QCOMPARE(QString::fromStdString(profile.ProfileName), QStringLiteral("Osmite"));
        QCOMPARE(QString::fromStdString(profile.FullOutDir), QStringLiteral("/peb/Osmite/"));
    }
};

QTEST_MAIN(OptionsFormTest)
#include "Options_test.moc"
