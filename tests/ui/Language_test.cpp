// The main window in the language of the locale when no resource lies beside the program.

#include <QAction>
#include <QMenuBar>
#include <QTest>
#include <cstdlib>

#include "vrnx2/base/MessageTable.h"
#include "vrnx2/shell/ui/MainForm.h"

using namespace vrnx2;

class LanguageTest : public QObject {
    Q_OBJECT

private slots:
    void menusFollowTheLocale_data() {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QString>("builderMenu");
        QTest::addColumn<QString>("build");
        QTest::newRow("English") << QByteArray("en_US.UTF-8") << QStringLiteral("&Builder")
                                 << QStringLiteral("&Build");
        QTest::newRow("no resource for French: English")
            << QByteArray("fr_FR.UTF-8") << QStringLiteral("&Builder") << QStringLiteral("&Build");
        QTest::newRow("Japanese: built-in")
            << QByteArray("ja_JP.UTF-8") << QStringLiteral("ビルダ(&B)")
            << QStringLiteral("ビルド(&B)");
    }
    void menusFollowTheLocale() {
        QFETCH(QByteArray, lang);
        QFETCH(QString, builderMenu);
        QFETCH(QString, build);
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qputenv("LANG", lang);
        // Nothing lies beside this test program, so the locale decides.
        MessageTable::Instance().LoadDefault();
        TVRNX_Form form;
        const QList<QAction*> menus = form.menuBar()->actions();
        QVERIFY(!menus.isEmpty());
        QCOMPARE(menus.first()->text(), builderMenu);
        QCOMPARE(form.Action("BASIC_BUILD")->text(), build);
        // A resource brings its fonts; the built-in texts keep the design font.
        QCOMPARE(MessageTable::Instance().languageLoaded, !lang.startsWith("ja"));
    }

    void cleanupTestCase() {
        qputenv("LANG", "ja_JP.UTF-8");
        MessageTable::Instance().Clear();
    }
};

QTEST_MAIN(LanguageTest)
#include "Language_test.moc"
