#include "vrnx2/plugins/ui/PluginForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <functional>

#include "platform/Process.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/OutsideProgram.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/controls/ui/DialogButtons.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/MirrorModel.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/plugins/PluginInstall.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace {

static_assert(TPlugin_Form::kIconRole == MirrorModel::kIconRole);

constexpr int kPanelWidth = 152;
constexpr int kScrollInterval = 100;

QString ChooseCabinetWithQt(QWidget* parent, const QStringList& filters) {
    QFileDialog dialog(parent, MsgText(kMsgInstall).remove(QLatin1Char('&')));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("cab"));
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

// The four node images: root, category, disabled plugin, enabled plugin.
QIcon NodeIcon(int icon) {
    static std::array<QIcon, 4> icons;
    if (icons[0].isNull()) {
        QStyle* style = QApplication::style();
        icons[kIconRoot] = style->standardIcon(QStyle::SP_DriveHDIcon);
        icons[kIconCategory] = style->standardIcon(QStyle::SP_DirIcon);
        for (int i : {kIconDisabled, kIconEnabled}) {
            QPixmap pixmap(16, 16);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            QStyleOptionButton box;
            box.rect = QRect(1, 1, 14, 14);
            box.state =
                QStyle::State_Enabled | (i == kIconEnabled ? QStyle::State_On : QStyle::State_Off);
            box.palette = QApplication::palette();
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter);
            painter.end();
            icons[static_cast<size_t>(i)] = QIcon(pixmap);
        }
    }
    return icons[static_cast<size_t>(std::clamp(icon, 0, 3))];
}

}  // namespace

TPlugin_Form::TPlugin_Form(QWidget* parent, const TProfileRec& profile, bool /*edit*/)
    : QDialog(parent),
      profile_(profile),
      catalogue_(profile, PluginCatalogue::DefaultCategoryListFile()) {
    setObjectName(QStringLiteral("Plugin_Form"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setWindowTitle(
        MsgText(kMsgColumnProfile) +
        QStringLiteral("(%1) - [%2]").arg(MsgText(kMsgPlugins), Qs(profile.Builder.Name)));
    chooseCabinet = ChooseCabinetWithQt;
    runProgram = [](const std::vector<std::string>& argv, bool wait) {
        std::string error;
        RunArguments(argv, wait, &error);
        if (!error.empty()) UI().MessageBox(error, Msg(kMsgError), MB_ERROR_OK);
    };
    openTarget = [](const std::string& target) { platform::OpenWithDesktop(target); };

    scroll_ = new DragAutoScroll(kScrollInterval, this);
    BuildActions();
    BuildControls();
    ApplyWindowFonts(this, {tree_, list_});

    RestoreLayout();
    catalogue_.Load();
    AfterLoad();
    PageChanged(0);
    name_->setText(Qs(profile_.ProfileName));
    {
        const QSignalBlocker block(orderCheck_);
        orderCheck_->setChecked(profile_.ManageOrder);
    }
    list_->setEnabled(profile_.ManageOrder);
    UpdateTreeActions();

    // Space is the tree's toggle key; typed elsewhere it goes nowhere.
    qApp->installEventFilter(this);
}

TPlugin_Form::~TPlugin_Form() {
    if (qApp) qApp->removeEventFilter(this);
}

// ---- construction ----

QAction* TPlugin_Form::Action(const std::string& name) const {
    return actions_.Find(name);
}

void TPlugin_Form::BuildActions() {
    auto on = [this](QAction* action, void (TPlugin_Form::*slot)()) {
        connect(action, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    };
    connect(actions_.Make("APPLY", kMsgApply), &QAction::triggered, this, [this] { Apply(); });
    connect(actions_.Make("OK", kMsgOK), &QAction::triggered, this, [this] {
        if (Apply()) accept();
    });
    on(actions_.Make("Reload", kMsgReload), &TPlugin_Form::Reload);
    on(actions_.Make("EnablePlugin", kMsgEnableDisable), &TPlugin_Form::TogglePlugin);
    on(actions_.Make("Configulation", kMsgPluginSettings), &TPlugin_Form::RunConfiguration);
    on(actions_.Make("ViewHelp", kMsgReadHelpFile), &TPlugin_Form::ViewHelp);
    on(actions_.Make("Install", kMsgInstall), &TPlugin_Form::Install);
    on(actions_.Make("UnInstall", kMsgUninstall), &TPlugin_Form::Uninstall);
    on(actions_.Make("PluginBuilder", kMsgOpenPluginBuilder), &TPlugin_Form::OpenInPluginBuilder);
    on(actions_.Make("TextEditor", kMsgOpenTextEditor), &TPlugin_Form::OpenInTextEditor);
    on(actions_.Make("Explorer", kMsgOpenThePluginFolder), &TPlugin_Form::OpenFolder);
    on(actions_.Make("CreateCategory", kMsgCreateCategory), &TPlugin_Form::CreateCategory);
    on(actions_.Make("DeleteCategory", kMsgDeleteCategory), &TPlugin_Form::DeleteCategory);
    on(actions_.Make("Expand", kMsgExpandTree), &TPlugin_Form::ExpandSelected);
    on(actions_.Make("Collapse", kMsgCollapseTree), &TPlugin_Form::CollapseSelected);
    on(actions_.Make("Sort", kMsgSortTree), &TPlugin_Form::SortTree);
    connect(actions_.Make("Item_Up", kMsgMoveUp, Qt::CTRL | Qt::Key_Up), &QAction::triggered, this,
            [this] { MoveRow(-1); });
    connect(actions_.Make("Item_Down", kMsgMoveDown, Qt::CTRL | Qt::Key_Down), &QAction::triggered,
            this, [this] { MoveRow(1); });
}

void TPlugin_Form::BuildControls() {
    auto* nameLabel = new QLabel(MsgText(kMsgProfileName), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("ED01"));
    name_->setMaxLength(50);
    nameLabel->setBuddy(name_);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(name_, 1);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PC1"));
    auto* treePage = new QWidget(pages_);
    treePage->setObjectName(QStringLiteral("TS1"));
    auto* treeLayout = new QVBoxLayout(treePage);
    nodes_ = new MirrorModel({}, this);
    // Every update walks the tree from the top, parents before children, so the nodes met
    // so far tell whose children are asked for; afterwards they are the nodes shown.
    nodes_->children = [this](MirrorModel::Key key) {
        std::vector<MirrorModel::Key> keys;
        auto meet = [&](CatalogueNode* node) {
            shown_[node->id] = node;
            keys.push_back(node->id);
        };
        if (key == 0) {
            shown_.clear();
            if (catalogue_.Root()) meet(catalogue_.Root());
        } else if (auto it = shown_.find(key); it != shown_.end()) {
            for (const auto& child : it->second->children) meet(child.get());
        }
        return keys;
    };
    nodes_->look = [this](MirrorModel::Key key) {
        auto it = shown_.find(key);
        if (it == shown_.end()) return RowLook{};
        const CatalogueNode* node = it->second;
        return RowLook{
            {node->label}, node->icon, PluginCatalogue::CanRename(node), !node->IsRoot()};
    };
    nodes_->iconOf = NodeIcon;
    nodes_->canDrop = [this](MirrorModel::Key, MirrorModel::Key target) {
        return CanTreeDropOn(NodeOf(nodes_->IndexOf(target)));
    };
    nodes_->drop = [this](MirrorModel::Key, MirrorModel::Key target) {
        return TreeDropOn(NodeOf(nodes_->IndexOf(target)));
    };
    nodes_->edited = [this](MirrorModel::Key key, const QString& text) {
        RenameEdited(NodeOf(nodes_->IndexOf(key)), text);
    };
    tree_ = new RowDragList(treePage);
    tree_->setObjectName(QStringLiteral("TV1"));
    tree_->setModel(nodes_);
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    treeLayout->addWidget(tree_);
    pages_->addTab(treePage, MsgText(kMsgPluginList));

    auto* orderPage = new QWidget(pages_);
    orderPage->setObjectName(QStringLiteral("TS2"));
    auto* orderLayout = new QVBoxLayout(orderPage);
    orderCheck_ = new QCheckBox(MsgText(kMsgManageInclusionOrder), orderPage);
    orderCheck_->setObjectName(QStringLiteral("CHB1"));
    // Long captions and paths are cut rather than holding the window wider than it may be.
    orderCheck_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    orderLayout->addWidget(orderCheck_);
    list_ = new RowDragList(orderPage);
    const auto& rows = catalogue_.Rows();
    list_->SetUpRowList(
        {MsgText(kMsgPlugins), MsgText(kMsgPluginPath)}, scroll_,
        {[this] { return catalogue_.RowCount(); },
         [&rows](int i) { return rows[static_cast<size_t>(i)].node->id; },
         [&rows](int i) {
             const OrderRow& row = rows[static_cast<size_t>(i)];
             return RowLook{{row.caption, row.path}};
         }},
        [this](int row) { return CanListDropOn(row); },
        [this](int row) { return ListDropOn(row); });
    orderLayout->addWidget(list_, 1);
    pages_->addTab(orderPage, MsgText(kMsgInclusionOrder));

    // The right-hand panels: the tree's buttons (scrolling when they do not fit) and the
    // order buttons around the middle.
    treePanel_ = new QScrollArea(this);
    treePanel_->setObjectName(QStringLiteral("TreePnl"));
    treePanel_->setFrameShape(QFrame::NoFrame);
    treePanel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    treePanel_->setWidgetResizable(true);
    auto* buttons = new QWidget(treePanel_);
    auto* buttonLayout = new QVBoxLayout(buttons);
    buttonLayout->setContentsMargins(4, 0, 4, 0);
    buttonLayout->setSpacing(2);
    for (const char* name : {"Reload", "EnablePlugin", "Configulation", "ViewHelp", "Install",
                             "UnInstall", "PluginBuilder", "TextEditor", "Explorer",
                             "CreateCategory", "DeleteCategory", "Expand", "Collapse", "Sort"})
        buttonLayout->addWidget(ActionButton(Action(name), buttons));
    buttonLayout->addStretch(1);
    treePanel_->setWidget(buttons);
    treePanel_->setFixedWidth(kPanelWidth);

    orderPanel_ = new QWidget(this);
    orderPanel_->setObjectName(QStringLiteral("OrderPnl"));
    orderPanel_->setFixedWidth(kPanelWidth);
    upButton_ = ActionButton(Action("Item_Up"), orderPanel_);
    downButton_ = ActionButton(Action("Item_Down"), orderPanel_);

    auto* middle = new QHBoxLayout;
    middle->addWidget(pages_, 1);
    middle->addWidget(treePanel_);
    middle->addWidget(orderPanel_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblPlugin"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QHBoxLayout* bottom = MakeOkApplyCancel(this, Action("OK"), Action("APPLY"), status_);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(nameRow);
    outer->addLayout(middle, 1);
    outer->addLayout(bottom);

    tree_->dragOver = [this](int y) { scroll_->DragOverTree(tree_, y); };
    tree_->stopScroll = [this] { scroll_->Stop(); };
    tree_->pressed = [this](const QModelIndex& index, const QPoint& pos) {
        CatalogueNode* node = NodeOf(index);
        if (node && node->IsPlugin() && IconRect(index).contains(pos)) ToggleNode(node);
        UpdateTreeActions();
    };
    list_->pressed = [this](const QModelIndex&, const QPoint&) { UpdateOrderActions(); };

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!syncing_) SelectionChanged();
    });
    // A category that gets its first rows shows them, as a new one does.
    connect(nodes_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (nodes_->rowCount(parent) == last - first + 1) tree_->expand(parent);
            });
    connect(nodes_, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int first, int last, const QModelIndex& parent, int) {
                if (nodes_->rowCount(parent) == last - first + 1) tree_->expand(parent);
            });
    connect(tree_, &QWidget::customContextMenuRequested, this, &TPlugin_Form::ShowTreeMenu);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!syncing_) UpdateOrderActions();
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &TPlugin_Form::SortByColumn);
    connect(list_, &QWidget::customContextMenuRequested, this, &TPlugin_Form::ShowListMenu);
    connect(pages_, &QTabWidget::currentChanged, this, &TPlugin_Form::PageChanged);
    connect(orderCheck_, &QCheckBox::toggled, this, &TPlugin_Form::OrderCheckChanged);
    treePanel_->installEventFilter(this);
    orderPanel_->installEventFilter(this);
}

// ---- geometry ----

void TPlugin_Form::RestoreLayout() {
    const QRect area = PrimaryArea();
    const PluginFormLayout l = LoadPluginFormLayout(area.width(), area.height());
    const MainFormGeometry& g = l.geometry;
    // The window opens large enough to show every button of the tree page without a scroll
    // bar; only a smaller screen or the user makes the column scroll.
    QWidget* buttons = treePanel_->widget();
    const int content = std::max(kPanelWidth, buttons->minimumSizeHint().width());
    treePanel_->setFixedWidth(content);
    orderPanel_->setFixedWidth(content);
    treePanel_->setMinimumHeight(buttons->minimumSizeHint().height());
    layout()->activate();
    const QSize full = minimumSizeHint();
    treePanel_->setMinimumHeight(0);
    PlaceForm(this, QSize(592, 460), QSize(400, 224), g, full);
    // A width of 0 or less, set by hand in the store, would hide the column for good.
    list_->header()->resizeSection(0, l.pluginColumn > 0 ? l.pluginColumn : 216);
    list_->header()->resizeSection(1, l.pathColumn > 0 ? l.pathColumn : 200);
    // A modal window opened minimised would leave the program with nothing to answer, so
    // the stored minimised state opens the window normally.
    if (g.state == FormState::Maximised) setWindowState(Qt::WindowMaximized);
}

void TPlugin_Form::SaveLayout() {
    PluginFormLayout l;
    l.geometry = CurrentGeometry(this);
    l.pluginColumn = list_->header()->sectionSize(0);
    l.pathColumn = list_->header()->sectionSize(1);
    SavePluginFormLayout(l);
}

void TPlugin_Form::done(int result) {
    scroll_->Stop();
    WriteOrTell([this] { SaveLayout(); });
    QDialog::done(result);
}

void TPlugin_Form::PlaceButtons() {
    // The tree's buttons get a scroll bar's room when they do not fit; captions wider than
    // the panel (a larger font) widen it rather than being cut.
    QWidget* buttons = treePanel_->widget();
    const bool scrolls = buttons->minimumSizeHint().height() > treePanel_->height() - 6;
    const int content = std::max(kPanelWidth, buttons->minimumSizeHint().width());
    const int width = content + (scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
    if (treePanel_->width() != width) treePanel_->setFixedWidth(width);
    orderPanel_->setFixedWidth(width);
    for (QWidget* b : {upButton_, downButton_}) b->setFixedWidth(content - 8);
    const std::array<int, 2> tops = ArrowButtonTops(0, orderPanel_->height(), upButton_->height());
    upButton_->move(4, tops[0]);
    downButton_->move(4, tops[1]);
}

// ---- Apply, menus, keys ----

bool TPlugin_Form::Apply() {
    return catalogue_.Apply(profile_, name_->text().toStdString());
}

void TPlugin_Form::ShowTreeMenu(const QPoint& pos) {
    UpdateTreeActions();
    QMenu menu(this);
    for (const char* name :
         {"Reload", "", "EnablePlugin", "Configulation", "ViewHelp", "", "PluginBuilder",
          "TextEditor", "Explorer", "", "Install", "UnInstall", "", "CreateCategory",
          "DeleteCategory", "", "Expand", "Collapse", "Sort"}) {
        if (*name)
            menu.addAction(Action(name));
        else
            menu.addSeparator();
    }
    menu.exec(tree_->viewport()->mapToGlobal(pos));
}

void TPlugin_Form::ShowListMenu(const QPoint& pos) {
    UpdateOrderActions();
    QMenu menu(this);
    menu.addAction(Action("Item_Up"));
    menu.addAction(Action("Item_Down"));
    menu.exec(list_->viewport()->mapToGlobal(pos));
}

bool TPlugin_Form::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == treePanel_ || watched == orderPanel_) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        PlaceButtons();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text() == QStringLiteral(" ")) {
            auto* target = static_cast<QWidget*>(watched);
            // The label editor of a category is a child of the tree.
            const bool typing = target == name_ || (target != tree_ && tree_->isAncestorOf(target));
            if (typing) return QDialog::eventFilter(watched, event);
            if (target == tree_) ToggleNode(SelectedNode());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- the entry for the profile dialogs ----

}  // namespace vrnx2
