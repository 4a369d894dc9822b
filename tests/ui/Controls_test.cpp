// The combo grid and the path box as widgets: column settings on demand, check and button
// cells under mouse and keys, the drop-down list, the stored form, the path box's button;
// the windows' shared row list, drag auto-scroll and placement helpers.

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <map>
#include <memory>
#include <optional>

#include "common/MoveElement.h"
#include "tests/support/ViewRows.h"
#include "vrnx2/controls/ui/CmbGrid.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/EllipsisEdit.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/MirrorModel.h"
#include "vrnx2/controls/ui/RowDragList.h"

using namespace vrnx2;

// Lets the test see where the caret is drawn and hand it a drop.
struct ProbeEdit : TEllipsisEdit {
    using QLineEdit::cursorRect;
    using TEllipsisEdit::dropEvent;
    using TEllipsisEdit::TEllipsisEdit;
};

// Hands the row list a drop that no drag of its own started.
struct ProbeRowList : RowDragList {
    using RowDragList::dropEvent;
    using RowDragList::RowDragList;
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

    void rowListMovesRowsThroughItsModelAndRefusesOtherDrops() {
        std::vector<std::pair<RowMirror::Key, std::string>> rows{{1, "a"}, {2, "b"}, {3, "c"}};
        ProbeRowList list(nullptr);
        // Qt's own auto-scroll would fight the window's timer.
        QVERIFY(list.dragEnabled() && list.acceptDrops() && !list.hasAutoScroll());
        DragAutoScroll scroll(100, nullptr);
        std::vector<int> drops;
        list.SetUpRowList(
            {QStringLiteral("Name")}, &scroll,
            {[&] { return static_cast<int>(rows.size()); },
             [&](int i) { return rows[static_cast<size_t>(i)].first; },
             [&](int i) { return RowLook{{rows[static_cast<size_t>(i)].second}}; }},
            [](int row) { return row != 0; },
            [&](int row) {
                drops.push_back(row);
                MoveElement(rows, 0, static_cast<size_t>(row));
                list.ShowRows(row);
                return true;
            });
        list.ShowRows(0);
        QAbstractItemModel* model = list.model();
        QAbstractItemModelTester tester(model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QSignalSpy moved(model, &QAbstractItemModel::rowsMoved);
        QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);

        // A drag carries its row; the rule takes the row it lands on, and only onto a row.
        std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(0, 0)}));
        QVERIFY(!model->canDropMimeData(dragged.get(), Qt::MoveAction, -1, -1, model->index(0, 0)));
        QVERIFY(!model->canDropMimeData(dragged.get(), Qt::MoveAction, 1, 0, QModelIndex()));
        QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, model->index(2, 0)));
        QCOMPARE(drops, std::vector<int>{2});
        QCOMPARE(test::ColumnText(&list), QStringLiteral("b,c,a"));
        QCOMPARE(list.currentIndex().row(), 2);
        QVERIFY(moved.count() > 0);
        QCOMPARE(removed.count() + reset.count(), 0);

        // Another list's rows and a drop from elsewhere never move this list's rows.
        ProbeRowList other(nullptr);
        other.SetUpRowList(
            {}, &scroll,
            {[] { return 1; }, [](int) { return RowMirror::Key{1}; },
             [](int) { return RowLook{{"x"}}; }},
            [](int) { return true; }, [](int) { return true; });
        other.ShowRows(0);
        std::unique_ptr<QMimeData> foreign(other.model()->mimeData({other.model()->index(0, 0)}));
        QVERIFY(!model->canDropMimeData(foreign.get(), Qt::MoveAction, -1, -1, model->index(1, 0)));
        int stops = 0;
        list.stopScroll = [&] { ++stops; };
        list.resize(200, 200);
        list.show();
        QDropEvent event(list.visualRect(model->index(1, 0)).center(), Qt::MoveAction,
                         dragged.get(), Qt::LeftButton, {});
        list.dropEvent(&event);
        QCOMPARE(drops.size(), size_t(1));
        QVERIFY(!event.isAccepted());
        QCOMPARE(stops, 1);  // any drop ends the scrolling
    }

    // A tree's rows follow moves, removals, insertions and renames one by one: what is
    // expanded stays so, and a row held by the view follows its node.
    void mirrorModelTellsTreeChangesRowByRow() {
        std::map<RowMirror::Key, std::vector<RowMirror::Key>> kids{
            {0, {1}}, {1, {2, 3}}, {2, {4, 5}}};
        std::map<RowMirror::Key, std::string> label{
            {1, "root"}, {2, "A"}, {3, "B"}, {4, "a1"}, {5, "a2"}};
        MirrorModel model({}, nullptr);
        model.children = [&](RowMirror::Key k) { return kids[k]; };
        model.look = [&](RowMirror::Key k) { return RowLook{{label[k]}, 0, true}; };
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Reset();
        QTreeView view;
        view.setModel(&model);
        view.expandAll();
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        const QPersistentModelIndex held = model.IndexOf(4);

        kids[2] = {5};  // a1 into B, and A last
        kids[3] = {4};
        kids[1] = {3, 2};
        label[4] = "a1'";
        kids[6] = {};
        kids[1].push_back(6);
        label[6] = "new";
        kids[2].clear();  // a2 removed
        model.Sync();

        QCOMPARE(test::ColumnText(&view, 0, model.IndexOf(1)), QStringLiteral("B,A,new"));
        QCOMPARE(test::ColumnText(&view, 0, model.IndexOf(3)), QStringLiteral("a1'"));
        QCOMPARE(model.rowCount(model.IndexOf(2)), 0);
        QVERIFY(!model.IndexOf(5).isValid());
        QCOMPARE(QModelIndex(held), model.IndexOf(4));
        QVERIFY(view.isExpanded(model.IndexOf(3)));
        QCOMPARE(reset.count(), 0);

        // An edit goes to the window; the model itself changes nothing.
        QString edited;
        model.edited = [&](RowMirror::Key, const QString& text) { edited = text; };
        QVERIFY(model.setData(model.IndexOf(3), QStringLiteral("C")));
        QCOMPARE(edited, QStringLiteral("C"));
        QCOMPARE(model.IndexOf(3).data().toString(), QStringLiteral("B"));
    }

    void dragAutoScrollStartsAtTheEdgesAndStepsOneRow() {
        QStringListModel numbers;
        QStringList texts;
        for (int i = 0; i < 40; ++i) texts << QString::number(i);
        numbers.setStringList(texts);
        QTreeView list;
        list.setModel(&numbers);
        list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        list.resize(200, 150);
        list.show();
        DragAutoScroll scroll(100, nullptr);
        scroll.DragOverList(&list, list.viewport()->height() / 2);
        QVERIFY(!scroll.Active());
        scroll.DragOverList(&list, list.viewport()->height() - 2);
        QVERIFY(scroll.Active());
        QCOMPARE(scroll.Direction(), AutoScroll::Down);
        QCOMPARE(scroll.View(), &list);

        const int row =
            list.visualRect(numbers.index(1, 0)).top() - list.visualRect(numbers.index(0, 0)).top();
        QVERIFY(row > 0);
        DragAutoScroll::StepList(&list, AutoScroll::Down);
        DragAutoScroll::StepList(&list, AutoScroll::Down);
        QCOMPARE(list.verticalScrollBar()->value(), 2 * row);
        DragAutoScroll::StepList(&list, AutoScroll::Up);
        QCOMPARE(list.verticalScrollBar()->value(), row);

        QTRY_VERIFY(list.verticalScrollBar()->value() > row);  // the timer steps on its own
        scroll.Stop();
        QVERIFY(!scroll.Active());
        QCOMPARE(scroll.Direction(), AutoScroll::Stop);
        const int stopped = list.verticalScrollBar()->value();
        scroll.Tick();
        QCOMPARE(list.verticalScrollBar()->value(), stopped);

        // Over a tree, whose rows may differ in height, a tick moves one line.
        scroll.DragOverTree(&list, 3);
        QCOMPARE(scroll.Direction(), AutoScroll::Up);
        scroll.Tick();
        QCOMPARE(list.verticalScrollBar()->value(),
                 stopped - list.verticalScrollBar()->singleStep());
        scroll.Stop();
    }

    void formPlacementKeepsTheWindowOnItsScreen() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QRect area = screen->availableGeometry();
        QCOMPARE(PrimaryArea(), area);
        // A place on no screen is measured against the primary one.
        QCOMPARE(AreaFor(QRect(area.right() + 5000, area.bottom() + 5000, 200, 100)), area);

        auto place = [](std::optional<int> left, std::optional<int> top, QSize stored) {
            auto form = std::make_unique<QWidget>();
            auto* layout = new QVBoxLayout(form.get());
            layout->addWidget(new QPushButton(QStringLiteral("a wide enough caption")));
            MainFormGeometry g;
            g.width = stored.width();
            g.height = stored.height();
            g.storedLeft = left;
            g.storedTop = top;
            g.left = left.value_or(0);
            g.top = top.value_or(0);
            PlaceForm(form.get(), QSize(200, 100), QSize(50, 40), g);
            return form;
        };
        auto kept = place(area.x() + 10, area.y() + 20, QSize(300, 120));
        QCOMPARE(kept->pos(), QPoint(area.x() + 10, area.y() + 20));
        QCOMPARE(kept->size(), QSize(300, 120));
        // Only a corner on screen: moved until the whole window is.
        auto corner = place(area.x() - 190, area.bottom() - 10, QSize(300, 120));
        QCOMPARE(corner->pos(), QPoint(area.x(), area.bottom() + 1 - 120));
        auto centred = place(std::nullopt, std::nullopt, QSize(200, 100));
        QCOMPARE(centred->pos(),
                 QPoint(area.x() + (area.width() - 200) / 2, area.y() + (area.height() - 100) / 2));
        // Never below what the content needs: the caption stays whole.
        auto tiny = place(area.x(), area.y(), QSize(1, 1));
        QVERIFY(tiny->width() >= tiny->minimumSizeHint().width());
    }

    void formPlacementReadsStateAndPlace() {
        QWidget form;
        form.resize(300, 120);
        form.move(15, 25);
        MainFormGeometry g = CurrentGeometry(&form);
        QVERIFY(g.state == FormState::Normal);
        QCOMPARE(QRect(g.left, g.top, g.width, g.height), QRect(15, 25, 300, 120));
        form.setWindowState(Qt::WindowMaximized);
        QVERIFY(CurrentGeometry(&form).state == FormState::Maximised);
        form.setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
        QVERIFY(CurrentGeometry(&form).state == FormState::Minimised);  // minimised wins
    }
};

QTEST_MAIN(ControlsTest)
#include "Controls_test.moc"
