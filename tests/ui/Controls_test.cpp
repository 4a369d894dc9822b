// The combo grid and the path box as widgets: column settings on demand, check and button
// cells under mouse and keys, the drop-down list, the stored form, the path box's button.

#include <QApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "vrnx2/controls/CmbGrid.h"
#include "vrnx2/controls/ELIEDIT.h"

// Lets the test see where the caret is drawn and hand it a drop.
struct ProbeEdit : TEllipsisEdit {
    using QLineEdit::cursorRect;
    using TEllipsisEdit::dropEvent;
    using TEllipsisEdit::TEllipsisEdit;
};

class ControlsTest : public QObject {
    Q_OBJECT

private:
    static QPoint CellCentre(TComboGrid& g, int col, int row) {
        return g.visualRect(g.model()->index(row, col)).center();
    }

private slots:
    void columnBeyondStoredSettingsIsDefaultText() {
        TComboGrid grid;
        grid.setRowCount(2);
        grid.setColumnCount(1);
        QVERIFY(grid.SetCellKindText("1 17 17 1 'x' 0 2 0 True"));
        grid.setColumnCount(3);
        QCOMPARE(grid.CellKindCount(), 1);
        const CellKindData defaults;
        QVERIFY(static_cast<const CellKindData&>(grid.CellKind(2)) == defaults);
        QCOMPARE(grid.CellKindCount(), 3);
        QVERIFY(grid.CellKind(2).Owner() == &grid);

        // It edits as a plain text column.
        grid.SetEditingAllowed(true);
        grid.show();
        grid.edit(grid.model()->index(0, 2));
        auto* editor = grid.findChild<TComboInplaceEdit*>();
        QVERIFY(editor);
        QCOMPARE(int(editor->Kind().kind), int(ckText));
        QVERIFY(editor->inputMask().isEmpty());
        QVERIFY(editor->DropDownButton() == nullptr);
    }

    void checkCellOutsideItemsIsGreyAndClickSetsItemZero() {
        TComboGrid grid;
        grid.setRowCount(1);
        grid.setColumnCount(2);
        grid.setColumnWidth(0, 60);
        grid.setRowHeight(0, 30);
        TCellKind& kind = grid.CellKind(0);
        kind.kind = ckCheck;
        kind.items = {CellItem{"Off", 0}, CellItem{"On", 1}};
        grid.SetEditingAllowed(true);
        grid.SetCell(0, 0, QStringLiteral("???"));
        int clicks = 0;
        grid.OnGridBtnClick = [&](TComboGrid* sender, int col, int row) {
            QVERIFY(sender == &grid);
            QCOMPARE(col, 0);
            QCOMPARE(row, 0);
            ++clicks;
        };
        grid.resize(200, 60);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.clearSelection();
        grid.setCurrentCell(0, 1);

        const QPoint centre = CellCentre(grid, 0, 0);
        const QImage before = grid.viewport()->grab().toImage();
        QCOMPARE(before.pixelColor(centre).rgb(),
                 grid.palette().color(QPalette::Disabled, QPalette::Text).rgb());

        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(grid.Cell(0, 0), QStringLiteral("Off"));
        QCOMPARE(clicks, 1);
        const QImage unchecked = grid.viewport()->grab().toImage();
        QCOMPARE(unchecked.pixelColor(centre + QPoint(-3, 0)).rgb(),
                 grid.palette().color(QPalette::Base).rgb());
        QVERIFY(unchecked.pixelColor(centre).rgb() != grid.palette().color(QPalette::Base).rgb());

        // Space on the current check cell presses and releases it.
        grid.setCurrentCell(0, 0);
        grid.setFocus();
        QTest::keyPress(&grid, Qt::Key_Space);
        QCOMPARE(grid.PressedCell(), QPoint(0, 0));
        QTest::keyRelease(&grid, Qt::Key_Space);
        QCOMPARE(grid.Cell(0, 0), QStringLiteral("On"));
        QCOMPARE(grid.PressedCell(), QPoint(-1, -1));
        QCOMPARE(clicks, 2);

        // A press released outside the cell does nothing.
        QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, CellCentre(grid, 1, 0));
        QCOMPARE(grid.Cell(0, 0), QStringLiteral("On"));
        QCOMPARE(clicks, 2);

        // Without the editing option a check cell cannot be pressed.
        grid.SetEditingAllowed(false);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(grid.Cell(0, 0), QStringLiteral("On"));
    }

    void buttonCellEnterAndClick() {
        TComboGrid grid;
        grid.setRowCount(2);
        grid.setColumnCount(1);
        grid.SetFixedRows(1);
        TCellKind& kind = grid.CellKind(0);
        kind.kind = ckButton;
        kind.items = {CellItem{std::string(kUseCellData)}};
        QList<int> rows;
        grid.OnGridBtnClick = [&](TComboGrid*, int, int row) { rows << row; };
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(grid, 0, 0));
        QVERIFY(rows.isEmpty());  // a fixed row is no button
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(grid, 0, 1));
        grid.setCurrentCell(1, 0);
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(rows, (QList<int>{1, 1}));
    }

    void dropDownListWidthPlaceAndKeys() {
        TComboGrid grid;
        grid.setRowCount(1);
        grid.setColumnCount(1);
        grid.setColumnWidth(0, 120);
        TCellKind& kind = grid.CellKind(0);
        kind.kind = ckList;
        kind.items = {CellItem{"alpha"}, CellItem{"beta"}, CellItem{"gamma"}};
        kind.dropDownWidth = 10;
        grid.SetEditingAllowed(true);
        grid.SetCell(0, 0, QStringLiteral("beta"));
        int ended = 0;
        grid.OnEditEnd = [&](TComboGrid*) { ++ended; };
        grid.resize(300, 100);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.edit(grid.model()->index(0, 0));
        auto* editor = grid.findChild<TComboInplaceEdit*>();
        QVERIFY(editor);
        editor->setFocus();
        QVERIFY(editor->DropDownButton());
        QVERIFY(editor->DropDownButton()->geometry().right() == editor->width() - 1);

        QTest::mouseClick(editor->DropDownButton(), Qt::LeftButton);
        QVERIFY(editor->ListVisible());
        TInplaceListBox* list = editor->List();
        const QRect ed(editor->mapToGlobal(QPoint(0, 0)), editor->size());
        QCOMPARE(list->geometry().width(), ed.width());
        QCOMPARE(list->geometry().right(), ed.right());
        QCOMPARE(list->geometry().top(), ed.bottom() + 1);
        QCOMPARE(list->currentRow(), 1);

        QTest::keyClick(editor, Qt::Key_Down);
        QCOMPARE(editor->text(), QStringLiteral("gamma"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!editor->ListVisible());
        QVERIFY(grid.findChild<TComboInplaceEdit*>() == editor);  // Enter closed the list only

        kind.dropDownWidth = 300;  // the open editor keeps its own copy
        QTest::mouseClick(editor->DropDownButton(), Qt::LeftButton);
        QCOMPARE(list->width(), ed.width());
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!editor->ListVisible());

        grid.setFocus();
        QVERIFY(ended >= 1);
    }

    void storedFormReadBack() {
        TComboGrid grid;
        grid.setRowCount(2);
        grid.setColumnCount(2);
        grid.SetCell(1, 0, QStringLiteral("b"));
        grid.SetCell(0, 1, QStringLiteral("c'"));
        grid.SetCell(0, 0, QStringLiteral("レジストリ"));
        const std::string cells = grid.CellDataText();
        QCOMPARE(QString::fromStdString(cells),
                 QStringLiteral("0 0 'レジストリ'\n1 0 'b'\n0 1 'c'''\n"));
        grid.CellKind(1).kind = ckCheck;
        grid.CellKind(1).items = {CellItem{"n", 0}, CellItem{"y", 1}};
        const std::string kinds = grid.CellKindText();

        TComboGrid copy;
        copy.setRowCount(2);
        copy.setColumnCount(2);
        QVERIFY(copy.SetCellDataText(cells + "5 5 'outside'"));
        QVERIFY(copy.SetCellKindText(kinds));
        QCOMPARE(copy.CellDataText(), cells);
        QCOMPARE(copy.CellKindText(), kinds);

        std::string error;
        QVERIFY(!copy.SetCellKindText("0 17", &error));
        QVERIFY(!error.empty());
        QCOMPARE(copy.CellKindText(), kinds);  // a broken text changes nothing
    }

    void ellipsisEditButtonEnablingAndDrops() {
        QWidget window;
        auto* edit = new ProbeEdit(&window);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        edit->resize(150, 22);
        edit->SetEllipsisHint(QStringLiteral("choose"));
        QCOMPARE(edit->Button()->toolTip(), QStringLiteral("choose"));
        QSignalSpy clicked(edit, &TEllipsisEdit::OnEllipsisClick);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(edit->Button()->geometry().right(), edit->width() - 1);

        other->setFocus();
        QTest::mouseClick(edit->Button(), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(clicked.at(0).at(0).value<TEllipsisEdit*>() == static_cast<TEllipsisEdit*>(edit));
        QVERIFY(edit->hasFocus());

        // A long text stays clear of the button.
        edit->setText(QString(200, QLatin1Char('W')));
        edit->setCursorPosition(200);
        edit->grab();  // the scroll position is settled by painting
        QVERIFY(edit->cursorRect().right() < edit->Button()->x());

        edit->setEnabled(false);
        QVERIFY(!edit->Button()->isEnabled());
        QTest::mouseClick(edit->Button(), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        edit->setEnabled(true);
        QVERIFY(edit->Button()->isEnabled());

        // Entered by program: all selected.
        other->setFocus();
        edit->setText(QStringLiteral("/tmp/x"));
        edit->setFocus(Qt::OtherFocusReason);
        QCOMPARE(edit->selectedText(), QStringLiteral("/tmp/x"));

        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("https://example.invalid/")),
                      QUrl::fromLocalFile(QStringLiteral("/srv/pe builder"))});
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        edit->dropEvent(&drop);
        QCOMPARE(edit->text(), QStringLiteral("/srv/pe builder"));
    }
};

QTEST_MAIN(ControlsTest)
#include "Controls_test.moc"
