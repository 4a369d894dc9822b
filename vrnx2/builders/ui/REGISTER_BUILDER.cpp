#include "vrnx2/builders/ui/REGISTER_BUILDER.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/builders/ui/DLG_BUILDER.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/controls/ui/ArrowColumn.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

bool RunBuilderDialog(QWidget* parent, const QString& caption, QString& name, QString& path) {
    TBUILDER_DLG dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.SetFields(name, path);
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.Name();
    path = dialog.Path();
    return true;
}

}  // namespace

TREGISTER_BUILDER_FORM::TREGISTER_BUILDER_FORM(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("REGISTER_BUILDER_FORM"));
    setWindowTitle(MsgText(kMsgRegisterBuilderTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    editBuilder = [this](const QString& caption, QString& name, QString& path) {
        return RunBuilderDialog(this, caption, name, path);
    };

    connect(actions_.Make("ADD_BUILDER", kMsgRegisterBuilderButton, Qt::Key_Insert),
            &QAction::triggered, this, &TREGISTER_BUILDER_FORM::AddBuilder);
    connect(actions_.Make("EDIT_BUILDER", kMsgEditBuilderButton, Qt::Key_F4), &QAction::triggered,
            this, &TREGISTER_BUILDER_FORM::EditBuilder);
    connect(actions_.Make("DELETE_BUILDER", kMsgUnregisterBuilder, Qt::Key_Delete),
            &QAction::triggered, this, &TREGISTER_BUILDER_FORM::DeleteBuilder);
    connect(actions_.Make("ITEM_UP", kMsgMoveUp, Qt::CTRL | Qt::Key_Up), &QAction::triggered, this,
            [this] { MoveSelected(-1); });
    connect(actions_.Make("ITEM_DOWN", kMsgMoveDown, Qt::CTRL | Qt::Key_Down), &QAction::triggered,
            this, [this] { MoveSelected(1); });
    connect(actions_.Make("APPLY", kMsgApply, {}), &QAction::triggered, this, [this] { Apply(); });
    connect(actions_.Make("OK", kMsgOK, {}), &QAction::triggered, this, [this] {
        if (Apply()) accept();
    });

    scroll_ = new DragAutoScroll(100, this);
    BuildControls();
    ApplyWindowFonts(this, {view_});

    list_.Load();
    SyncView();
    UpdateStates();
    RestoreLayout();
    view_->setFocus();
}

TREGISTER_BUILDER_FORM::~TREGISTER_BUILDER_FORM() = default;

QAction* TREGISTER_BUILDER_FORM::Action(const std::string& name) const {
    return actions_.Find(name);
}

void TREGISTER_BUILDER_FORM::BuildControls() {
    frame_ = new QGroupBox(MsgText(kMsgRegisteredBuilders), this);
    frame_->setObjectName(QStringLiteral("GB1"));
    auto* grid = new QGridLayout(frame_);

    view_ = AddFramedRowList(
        frame_, grid, {MsgText(kMsgColumnBuilder), MsgText(kMsgColumnInstallPath)}, scroll_,
        {[this] { return list_.Count(); }, [this](int i) { return list_.Id(i); },
         [this](int i) {
             return RowLook{{list_.Caption(i), list_.PathColumn(i)}};
         }},
        [this](int row) { return CanDropOn(row); }, [this](int row) { return DropOn(row); });

    grid->addWidget(new ArrowColumn(frame_, view_, Action("ITEM_UP"), Action("ITEM_DOWN")), 0, 1);

    auto* listButtons = new QHBoxLayout;
    for (const char* name : {"ADD_BUILDER", "EDIT_BUILDER", "DELETE_BUILDER"})
        listButtons->addWidget(ActionButton(Action(name), frame_));
    listButtons->addStretch(1);
    grid->addLayout(listButtons, 1, 0, 1, 2);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame_, 1);
    outer->addLayout(MakeOkApplyCancel(this, Action("OK"), Action("APPLY")));

    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const int row = current.isValid() ? current.row() : -1;
                if (showing_ || row == list_.Selected() || row >= list_.Count()) return;
                list_.Select(row);
                UpdateStates();
            });
    connect(view_, &QAbstractItemView::clicked, this, [this] { UpdateStates(); });
    connect(view_, &QAbstractItemView::doubleClicked, this, [this] {
        if (QAction* edit = Action("EDIT_BUILDER"); edit->isEnabled()) edit->trigger();
    });
    connect(view_->header(), &QHeaderView::sectionClicked, this,
            &TREGISTER_BUILDER_FORM::SortByColumn);
    connect(view_, &QWidget::customContextMenuRequested, this,
            &TREGISTER_BUILDER_FORM::ShowContextMenu);
}

// ---- geometry ----

void TREGISTER_BUILDER_FORM::RestoreLayout() {
    const QRect area = PrimaryArea();
    const RegisterBuilderLayout l = LoadRegisterBuilderLayout(area.width(), area.height());
    const MainFormGeometry& g = l.geometry;
    PlaceForm(this, QSize(472, 286), QSize(400, 212), g);
    // A width of 0 or less, set by hand in the store, would hide the column for good.
    view_->header()->resizeSection(0, l.builderColumn > 0 ? l.builderColumn : 200);
    view_->header()->resizeSection(1, l.pathColumn > 0 ? l.pathColumn : 216);
    if (g.state == FormState::Maximised) setWindowState(Qt::WindowMaximized);
}

void TREGISTER_BUILDER_FORM::SaveLayout() {
    RegisterBuilderLayout l;
    // Minimised or normal alike, the last normal geometry is what the window reopens at.
    const QRect normal =
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) && normalGeometry().isValid()
            ? normalGeometry()
            : geometry();
    l.geometry.height = normal.height();
    l.geometry.width = normal.width();
    l.geometry.top = (windowState() & Qt::WindowMinimized) ? normal.top() : y();
    l.geometry.left = (windowState() & Qt::WindowMinimized) ? normal.left() : x();
    l.builderColumn = view_->header()->sectionSize(0);
    l.pathColumn = view_->header()->sectionSize(1);
    SaveRegisterBuilderLayout((windowState() & Qt::WindowMaximized) != 0, l);
}

void TREGISTER_BUILDER_FORM::done(int result) {
    scroll_->Stop();
    WriteOrTell([this] { SaveLayout(); });
    QDialog::done(result);
}

// ---- the list ----

void TREGISTER_BUILDER_FORM::SyncView() {
    // The view's own selection follows the rows; the list's selection holds.
    showing_ = true;
    view_->ShowRows(list_.Selected());
    showing_ = false;
}

void TREGISTER_BUILDER_FORM::UpdateStates() {
    for (const auto& [name, on] : BuilderActionStates(list_.Selected(), list_.Count()))
        Action(name)->setEnabled(on);
}

void TREGISTER_BUILDER_FORM::SelectRow(int row) {
    if (row < -1 || row >= list_.Count()) return;
    list_.Select(row);
    SyncView();
    UpdateStates();
}

void TREGISTER_BUILDER_FORM::AddBuilder() {
    QString name, path;
    if (editBuilder && editBuilder(MsgText(kMsgRegisterBuilderTitle), name, path)) {
        list_.Add(name.toStdString(), path.toStdString());
        SyncView();
        UpdateStates();
    }
    view_->setFocus();
}

void TREGISTER_BUILDER_FORM::EditBuilder() {
    const int row = list_.Selected();
    if (row < 0 || !editBuilder) return;
    QString name = Qs(list_.Caption(row));
    QString path = Qs(list_.PathColumn(row));
    if (editBuilder(MsgText(kMsgEditBuilderTitle), name, path)) {
        list_.Edit(row, name.toStdString(), path.toStdString());
        SyncView();
    }
    view_->setFocus();
}

void TREGISTER_BUILDER_FORM::DeleteBuilder() {
    const int row = list_.Selected();
    if (row < 0) return;
    if (ConfirmBuilderDeletion(list_.Caption(row))) {
        list_.Delete(row);
        SyncView();
        UpdateStates();
    }
    view_->setFocus();
}

void TREGISTER_BUILDER_FORM::MoveSelected(int delta) {
    const int row = list_.Selected();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= list_.Count()) return;
    list_.Move(row, target);
    SyncView();
    UpdateStates();
    view_->setFocus();
}

void TREGISTER_BUILDER_FORM::SortByColumn(int column) {
    if (column < 0 || column > 1) return;
    const int direction = list_.SortByColumn(column);
    view_->header()->setSortIndicatorShown(true);
    view_->header()->setSortIndicator(column,
                                      direction > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    SyncView();
    UpdateStates();
}

bool TREGISTER_BUILDER_FORM::Apply() {
    if (!WriteOrTell([this] { list_.Apply(); })) return false;
    changed_ = true;
    view_->setFocus();
    return true;
}

void TREGISTER_BUILDER_FORM::ShowContextMenu(const QPoint& pos) {
    UpdateStates();
    QMenu menu(this);
    for (const char* name :
         {"ADD_BUILDER", "EDIT_BUILDER", "DELETE_BUILDER", "", "ITEM_UP", "ITEM_DOWN"}) {
        if (*name)
            menu.addAction(Action(name));
        else
            menu.addSeparator();
    }
    menu.exec(view_->viewport()->mapToGlobal(pos));
}

// ---- drag and drop ----

bool TREGISTER_BUILDER_FORM::CanDropOn(int row) const {
    return row >= 0 && row < list_.Count() && list_.Selected() >= 0 && row != list_.Selected();
}

bool TREGISTER_BUILDER_FORM::DropOn(int row) {
    scroll_->Stop();
    if (!CanDropOn(row)) return false;
    const int source = list_.Selected();
    list_.Move(source, DropIndex(source, row));
    SyncView();
    UpdateStates();
    return true;
}

}  // namespace vrnx2
