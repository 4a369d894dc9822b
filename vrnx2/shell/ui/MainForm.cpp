#include "vrnx2/shell/ui/MainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <vector>

#include "platform/Files.h"
#include "platform/Process.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/LogTail.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/controls/ui/ArrowColumn.h"
#include "vrnx2/controls/ui/CmbGrid.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"
#include "vrnx2/shell/ui/QtUserInterface.h"
#include "vrnx2/shell/ui/WaitNotifier.h"

namespace vrnx2 {

namespace {

constexpr int kLogTailLines = 4;  // enough to follow the builder
constexpr int kListRows = 4;      // the profile list never shows fewer

// Marks a window of an operation as open, however the operation ends.
class HookGuard {
public:
    explicit HookGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~HookGuard() { flag_ = false; }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;

private:
    bool& flag_;
};

// Windows system colour indexes, as the stored colour numbers name them.
QColor SystemColour(int index, const QPalette& pal) {
    switch (index) {
        case 4:
            return pal.color(QPalette::Window);
        case 5:
            return pal.color(QPalette::Base);
        case 7:
            return pal.color(QPalette::WindowText);
        case 8:
            return pal.color(QPalette::Text);
        case 13:
            return pal.color(QPalette::Highlight);
        case 14:
            return pal.color(QPalette::HighlightedText);
        case 15:
            return pal.color(QPalette::Button);
        case 16:
            return pal.color(QPalette::Dark);
        case 17:
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return pal.color(QPalette::ButtonText);
        case 20:
            return pal.color(QPalette::Light);
        case 21:
            return pal.color(QPalette::Shadow);
        case 22:
            return pal.color(QPalette::Midlight);
        case 23:
            return pal.color(QPalette::ToolTipText);
        case 24:
            return pal.color(QPalette::ToolTipBase);
        case 26:
            return pal.color(QPalette::Link);
        default:
            return pal.color(QPalette::Window);
    }
}

QColor ColourOf(uint32_t number, const QPalette& pal) {
    const DecodedColour d = DecodeColour(number);
    return d.system ? SystemColour(d.systemIndex, pal) : QColor(d.red, d.green, d.blue);
}

}  // namespace

TVRNX_Form::TVRNX_Form(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("VRNX_Form"));
    setWindowTitle(QStringLiteral("Varnex v2"));

    hooks.runBuild = [](BuildMode mode, const TProfileRec& p, const BuildSteps& steps) {
        RunBuild(mode, p, steps);
    };
    hooks.openTarget = [](const std::string& target) { return platform::OpenWithDesktop(target); };
    hooks.tryImage = [this](const TProfileRec& p) {
        // One machine at a time: a second would boot the same image beside the first.
        if (vm_.Running()) {
            UI().MessageBox(Msg(kMsgVirtualMachineRunning), Msg(kMsgConfirmation), MB_INFORMATION);
            return;
        }
        VmPreferences prefs;
        try {
            prefs = LoadVmPreferences();
        } catch (const StoreError& e) {
            UI().MessageBox(e.what(), Msg(kMsgError), MB_ERROR_OK);
            return;
        }
        TryOptions options;
        options.title = "Varnex v2: " + p.ProfileName;
        // The machine's own title bar says why it is slow.
        if (!(prefs.useKvm && KvmUsable())) options.title += " - " + Msg(kMsgNoKvm);
        const TryPlan plan = PlanTry(p, options, prefs);
        std::string error;
        if (plan.Refused())
            UI().MessageBox(plan.refusal, Msg(kMsgError), MB_ERROR_OK);
        else if (!vm_.Start(plan, &error))
            UI().MessageBox(error, Msg(kMsgError), MB_ERROR_OK);
    };
    hooks.runProgram = [](const std::vector<std::string>& argv, std::string* error) {
        std::string reason;
        RunArguments(argv, false, &reason);
        if (error) *error = reason;
        return reason.empty();
    };

    scroll_ = new DragAutoScroll(250, this);
    BuildActions();
    BuildMenus();
    BuildControls();
    ApplyWindowFonts(this, {list_});

    // The log is re-read on a timer rather than on every slice of the wait.
    logTimer_ = new QTimer(this);
    logTimer_->setInterval(250);
    connect(logTimer_, &QTimer::timeout, this, &TVRNX_Form::RefreshLogTail);
    connect(&WaitNotifier::Instance(), &WaitNotifier::logWatched, this,
            [this](const QString& file) { WatchLog(file.toStdString()); });
    connect(&WaitNotifier::Instance(), &WaitNotifier::stopAsked, this, [this] { StopBuild(); });

    const MainColumnWidths widths = LoadMainColumnWidths();
    // A width of 0 or less, set by hand in the store, would hide the column for good.
    list_->header()->resizeSection(0, widths.profile > 0 ? widths.profile : 200);
    list_->header()->resizeSection(1, widths.builder > 0 ? widths.builder : 216);
    colours_ = LoadBarColours();
    SetUpStepBar();
    KeepListRows();
    SetBuildStyle(LoadAdvancedStyle());
    RestoreGeometry();

    profiles_.SetOnChange([this] { ProfilesChanged(); });
    LoadProfiles();
    WatchStore();

    // Typed 1..4 anywhere in this window go to the bar, never to a control.
    qApp->installEventFilter(this);
}

TVRNX_Form::~TVRNX_Form() {
    if (qApp) qApp->removeEventFilter(this);
    profiles_.SetOnChange(nullptr);
}

// ---- construction ----

QAction* TVRNX_Form::Action(const std::string& name) const {
    return actions_.Find(name);
}

void TVRNX_Form::BuildActions() {
    connect(actions_.Make("BASIC_BUILD", kMsgBuild, Qt::Key_F7), &QAction::triggered, this,
            [this] { RunBuildAction(BuildMode::Basic); });
    connect(actions_.Make("BASIC_CREATEISO", kMsgCreateIsoFile, Qt::Key_F5), &QAction::triggered,
            this, [this] { RunBuildAction(BuildMode::ImageOnly); });
    connect(actions_.Make("ADVANCED_BUILD", kMsgBuild, Qt::Key_F7), &QAction::triggered, this,
            [this] { RunBuildAction(BuildMode::Advanced); });
    connect(actions_.Make("VIEW_LOGFILE", kMsgViewLog, Qt::Key_F3), &QAction::triggered, this,
            [this] { ViewLog(); });
    connect(actions_.Make("TRY_IN_VM", kMsgTryInVirtualMachine, Qt::CTRL | Qt::Key_T),
            &QAction::triggered, this, [this] { TryInVm(); });
    // Escape stands for it during a build; the wait lets nothing else through.
    QAction* stop = actions_.Make("STOP_BUILD", kMsgStop, {});
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, [this] { StopBuild(); });
    connect(actions_.Make("EXIT_PROGRAM", kMsgExit, {}), &QAction::triggered, this,
            [this] { close(); });
    connect(actions_.Make("ADD_PROFILE", kMsgAddProfile, Qt::Key_Insert), &QAction::triggered, this,
            [this] { RunHook(hooks.addProfile); });
    connect(actions_.Make("EDIT_PROFILE", kMsgEditProfile, Qt::Key_F4), &QAction::triggered, this,
            [this] { RunHook(hooks.editProfile); });
    connect(actions_.Make("COPY_PROFILE", kMsgCopyProfile, {}), &QAction::triggered, this,
            [this] { RunHook(hooks.copyProfile); });
    connect(actions_.Make("DELETE_PROFILE", kMsgDeleteProfile, Qt::Key_Delete), &QAction::triggered,
            this, [this] { RunHook(hooks.deleteProfile); });
    connect(actions_.Make("Item_UP", kMsgMoveUp, Qt::CTRL | Qt::Key_Up), &QAction::triggered, this,
            [this] { MoveSelected(-1); });
    connect(actions_.Make("Item_Down", kMsgMoveDown, Qt::CTRL | Qt::Key_Down), &QAction::triggered,
            this, [this] { MoveSelected(1); });
    connect(actions_.Make("PROFILE_PREFERENSES", kMsgProfileSettings, Qt::SHIFT | Qt::Key_F4),
            &QAction::triggered, this, [this] { RunHook(hooks.profileSettings); });
    const std::array<std::pair<const char*, const char*>, 6> folders = {
        {{"OPEN_BUILDER_DIR", kMsgOpenBuilderFolder},
         {"OPEN_PLUGIN_DIR", kMsgOpenPluginFolder},
         {"OPEN_SOURCE_DIR", kMsgOpenSourceFolder},
         {"OPEN_BUILD_DIR", kMsgOpenBuildOutputFolder},
         {"OPEN_ISO_DIR", kMsgOpenIsoOutputFolder},
         {"OPEN_CUSTOM_DIR", kMsgOpenCustomFolder}}};
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::string name = folders[i].first;
        const auto key =
            QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i)));
        connect(actions_.Make(folders[i].first, folders[i].second, key), &QAction::triggered, this,
                [this, name] { OpenFolder(name); });
    }
    QAction* basic = actions_.Make("BASIC_BUILD_STYLE", kMsgBasic, Qt::Key_F9);
    QAction* advanced = actions_.Make("ADVANCED_BUILD_STYLE", kMsgAdvanced, Qt::Key_F10);
    styleGroup_ = new QActionGroup(this);
    for (QAction* a : {basic, advanced}) {
        a->setCheckable(true);
        styleGroup_->addAction(a);
    }
    connect(basic, &QAction::triggered, this, [this] { SetBuildStyle(false); });
    connect(advanced, &QAction::triggered, this, [this] { SetBuildStyle(true); });
    connect(actions_.Make("REGISTER_BUILDER", kMsgRegisterBuilderMenu, Qt::Key_F8),
            &QAction::triggered, this, [this] {
                if (building_ || inHook_ || !hooks.registerBuilder) return;
                bool changed = false;
                {
                    const HookGuard guard(inHook_);
                    changed = hooks.registerBuilder(*this);
                }
                if (changed) LoadProfiles();
                ActionStateUpdate();
            });
    connect(actions_.Make("PREFERENSES", kMsgMenuPreferences, Qt::CTRL | Qt::SHIFT | Qt::Key_F4),
            &QAction::triggered, this, [this] {
                RunHook(hooks.preferences);
                list_->setFocus();
            });
    connect(actions_.Make("VIEW_HELP", kMsgSearchTopics, {}), &QAction::triggered, this,
            [this] { ViewHelp(); });
    connect(actions_.Make("ABOUT", kMsgMenuAbout, {}), &QAction::triggered, this,
            [this] { RunHook(hooks.about); });
}

void TVRNX_Form::BuildMenus() {
    // Filled by ApplyStyle: its items depend on the build style.
    builderMenu_ = menuBar()->addMenu(MsgText(kMsgMenuBuilder));

    profileMenu_ = menuBar()->addMenu(MsgText(kMsgMenuProfile));
    for (const char* name : {"ADD_PROFILE", "EDIT_PROFILE", "COPY_PROFILE", "DELETE_PROFILE", "",
                             "Item_UP", "Item_Down", "", "PROFILE_PREFERENSES"}) {
        if (*name)
            profileMenu_->addAction(Action(name));
        else
            profileMenu_->addSeparator();
    }

    QMenu* folder = menuBar()->addMenu(MsgText(kMsgFolder));
    for (const char* name : {"OPEN_BUILDER_DIR", "OPEN_PLUGIN_DIR", "OPEN_SOURCE_DIR",
                             "OPEN_BUILD_DIR", "OPEN_ISO_DIR", "OPEN_CUSTOM_DIR"})
        folder->addAction(Action(name));

    QMenu* settings = menuBar()->addMenu(MsgText(kMsgMenuSettings));
    QMenu* type = settings->addMenu(MsgText(kMsgBuildType));
    type->addAction(Action("BASIC_BUILD_STYLE"));
    type->addAction(Action("ADVANCED_BUILD_STYLE"));
    settings->addSeparator();
    settings->addAction(Action("REGISTER_BUILDER"));
    settings->addAction(Action("PREFERENSES"));

    QMenu* help = menuBar()->addMenu(MsgText(kMsgHelp));
    help->addAction(Action("VIEW_HELP"));
    help->addAction(Action("ABOUT"));
}

void TVRNX_Form::BuildControls() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    listFrame_ = new QGroupBox(MsgText(kMsgProfileList), central);
    auto* grid = new QGridLayout(listFrame_);
    list_ = AddFramedRowList(
        listFrame_, grid, {MsgText(kMsgColumnProfile), MsgText(kMsgColumnBuilderUsed)}, scroll_,
        [this](int row) { return CanDropOn(row); }, [this](int row) { return DropOn(row); });

    // Shown over the empty list: what a first start needs done before anything else works.
    hint_ = new QLabel(list_->viewport());
    hint_->setObjectName(QStringLiteral("EmptyListHint"));
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setMargin(8);
    hint_->setForegroundRole(QPalette::PlaceholderText);
    hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint_->hide();
    list_->viewport()->installEventFilter(this);

    grid->addWidget(new ArrowColumn(listFrame_, list_, Action("Item_UP"), Action("Item_Down")), 0,
                    1);

    auto* buttons = new QHBoxLayout;
    for (const char* name : {"ADD_PROFILE", "EDIT_PROFILE", "COPY_PROFILE", "DELETE_PROFILE"})
        buttons->addWidget(ActionButton(Action(name), listFrame_));
    buttons->addStretch(1);
    buttons->addWidget(ActionButton(Action("PROFILE_PREFERENSES"), listFrame_));
    grid->addLayout(buttons, 1, 0, 1, 2);
    outer->addWidget(listFrame_, 1);

    logTail_ = new QPlainTextEdit(central);
    logTail_->setObjectName(QStringLiteral("LogTail"));
    logTail_->setReadOnly(true);
    logTail_->setFocusPolicy(Qt::NoFocus);
    logTail_->setLineWrapMode(QPlainTextEdit::NoWrap);
    logTail_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logTail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logTail_->hide();
    outer->addWidget(logTail_);

    auto* bottom = new QHBoxLayout;
    basicPanel_ = new QWidget(central);
    basicPanel_->setObjectName(QStringLiteral("BasicPanel"));
    auto* basic = new QHBoxLayout(basicPanel_);
    basic->setContentsMargins(0, 0, 0, 0);
    basic->addWidget(ActionButton(Action("BASIC_BUILD"), basicPanel_));
    basic->addWidget(ActionButton(Action("BASIC_CREATEISO"), basicPanel_));
    bottom->addWidget(basicPanel_);

    advancedPanel_ = new QWidget(central);
    advancedPanel_->setObjectName(QStringLiteral("AdvancedPanel"));
    auto* advanced = new QHBoxLayout(advancedPanel_);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->setSpacing(4);
    bar_ = new TComboGrid(advancedPanel_);
    bar_->setObjectName(QStringLiteral("CG01"));
    advanced->addWidget(bar_);
    advanced->addWidget(ActionButton(Action("ADVANCED_BUILD"), advancedPanel_));
    bottom->addWidget(advancedPanel_);
    stopButton_ = ActionButton(Action("STOP_BUILD"), central);
    stopButton_->setProperty(kPassesWait, true);
    stopButton_->hide();
    bottom->addWidget(stopButton_);
    bottom->addStretch(1);
    bottom->addWidget(ActionButton(Action("EXIT_PROGRAM"), central));
    outer->addLayout(bottom);
    setCentralWidget(central);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const int row = item ? list_->indexOfTopLevelItem(item) : -1;
        if (row == profiles_.Selected() || row >= profiles_.Count()) return;
        if (watchedLog_.empty()) SetLogTailShown(false);  // it told of another profile's build
        profiles_.Select(row);  // runs the updates through ProfilesChanged
    });
    connect(list_, &QTreeWidget::itemClicked, this, [this] { ActionStateUpdate(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (QAction* edit = Action("EDIT_PROFILE"); edit->isEnabled()) edit->trigger();
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &TVRNX_Form::SortByColumn);
    connect(list_, &QWidget::customContextMenuRequested, this, &TVRNX_Form::ShowContextMenu);
    list_->installEventFilter(this);
}

void TVRNX_Form::SetUpStepBar() {
    bar_->setRowCount(1);
    bar_->setColumnCount(BuildStepBar::kColumns);
    bar_->SetCellKindText(BuildStepBarCellKinds());
    const char* captions[] = {kMsgColumnRegistry, kMsgColumnFiles, kMsgColumnIsoCreation,
                              kMsgColumnDiscCreation};
    // 80 pixels a column, wider only where a caption in the current font (bold when
    // current) would not fit.
    QFont bold = bar_->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int total = 0;
    for (int c = 0; c < BuildStepBar::kColumns; ++c) {
        const QString caption = MsgText(captions[c]);
        const int width = std::max(80, metrics.horizontalAdvance(caption) + 8);
        bar_->setColumnWidth(c, width);
        bar_->SetCell(c, 0, caption);
        total += width;
    }
    bar_->setRowHeight(0, 21);
    bar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bar_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bar_->setFrameShape(QFrame::Panel);
    bar_->setFrameShadow(QFrame::Sunken);
    bar_->setLineWidth(2);
    bar_->setFixedSize(total + 3 + 4, 21 + 2 * bar_->frameWidth());
    bar_->SetFocusCellDraw(false);
    bar_->setCurrentCell(0, 0);
    ShowSteps();

    bar_->EditCellDraw = [this](TComboGrid* grid, int col, int, QColor& back, QFont& font,
                                QColor& fore) {
        const bool on = steps_.toggles.at(static_cast<size_t>(col)) == 1;
        back = ColourOf(on ? colours_.selectedBack : colours_.unselectedBack, grid->palette());
        fore = ColourOf(on ? colours_.selectedFore : colours_.unselectedFore, grid->palette());
        font.setBold(grid->hasFocus() && col == grid->currentColumn());
    };
    bar_->OnKeyDown = [this](QKeyEvent* e) {
        const BarKey key = e->key() == Qt::Key_Space ? BarKey::Space
                           : e->key() == Qt::Key_A   ? BarKey::A
                                                     : BarKey::Other;
        switch (BarKeyDown(key, e->modifiers() & Qt::ControlModifier)) {
            case BarKeyAction::ToggleCurrent:
                steps_.Toggle(bar_->currentColumn());
                break;
            case BarKeyAction::SetAll:
                steps_.SetAll();
                break;
            case BarKeyAction::Consume:
                return true;
            default:
                return false;
        }
        ShowSteps();
        return true;
    };
    bar_->OnKeyUp = [this](QKeyEvent* e) {
        const BarKey key = e->key() == Qt::Key_Left    ? BarKey::Left
                           : e->key() == Qt::Key_Right ? BarKey::Right
                                                       : BarKey::Other;
        if (BarKeyUp(key, e->modifiers() & Qt::ShiftModifier) == BarKeyAction::ApplySelection) {
            const auto [left, right] = BarSelection();
            steps_.SetRange(left, right);
            ShowSteps();
        }
        return false;
    };
    bar_->OnMouseDown = [this](QMouseEvent* e) {
        if (e->button() != Qt::LeftButton) return;
        if (e->modifiers() & Qt::ControlModifier) {
            steps_.Toggle(bar_->currentColumn());
            ShowSteps();
        } else {
            steps_.StartDrag();
        }
    };
    bar_->OnMouseMove = [this](QMouseEvent*) {
        const auto [left, right] = BarSelection();
        if (steps_.SelectionMoved(left, right)) ShowSteps();
    };
    bar_->OnMouseUp = [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) steps_.StopDrag();
    };
}

std::pair<int, int> TVRNX_Form::BarSelection() const {
    const QList<QTableWidgetSelectionRange> ranges = bar_->selectedRanges();
    if (ranges.isEmpty()) return {bar_->currentColumn(), bar_->currentColumn()};
    int left = ranges.first().leftColumn(), right = ranges.first().rightColumn();
    for (const QTableWidgetSelectionRange& r : ranges) {
        left = std::min(left, r.leftColumn());
        right = std::max(right, r.rightColumn());
    }
    return {left, right};
}

void TVRNX_Form::ShowSteps() {
    for (int c = 0; c < BuildStepBar::kColumns; ++c)
        bar_->SetCellValue(c, 0, steps_.toggles.at(static_cast<size_t>(c)));
    bar_->viewport()->update();
}

void TVRNX_Form::KeepListRows() {
    // A few rows stay visible however small the window or whatever shows under the list.
    const int row = std::max(QFontMetrics(list_->font()).height() + 6,
                             list_->style()->pixelMetric(QStyle::PM_SmallIconSize) + 4);
    list_->setMinimumHeight(list_->header()->sizeHint().height() + kListRows * row +
                            2 * list_->frameWidth());
}

void TVRNX_Form::UpdateLeastSize() {
    centralWidget()->layout()->activate();
    if (layout()) layout()->activate();
    setMinimumSize(QSize(508, 212).expandedTo(minimumSizeHint()));
}

void TVRNX_Form::RestoreGeometry() {
    const QRect area = PrimaryArea();
    const MainFormGeometry g = LoadMainFormGeometry(area.width(), area.height());
    PlaceForm(this, QSize(472, 286), QSize(508, 212), g);
    if (g.state == FormState::Maximised)
        setWindowState(Qt::WindowMaximized);
    else if (g.state == FormState::Minimised)
        setWindowState(Qt::WindowMinimized);
}

// ---- profile list ----

void TVRNX_Form::LoadProfiles() {
    LoadProfileList(profiles_);
    sync_.Matched(profiles_);
}

void TVRNX_Form::SaveProfiles() {
    sync_.Save(profiles_);
}

void TVRNX_Form::WatchStore() {
    // A store written by another program changes its file; its folder tells of a store that
    // did not exist yet or was replaced. Bursts of changes are taken as one.
    storeTimer_ = new QTimer(this);
    storeTimer_->setSingleShot(true);
    storeTimer_->setInterval(200);
    connect(storeTimer_, &QTimer::timeout, this, &TVRNX_Form::RefreshFromStore);
    storeWatch_ = new QFileSystemWatcher(this);
    const QString file = QString::fromStdString(StoreFilePath());
    const auto watch = [this, file] {
        if (QFileInfo::exists(file) && !storeWatch_->files().contains(file))
            storeWatch_->addPath(file);
    };
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo::exists(folder)) storeWatch_->addPath(folder);
    watch();
    const auto changed = [this, watch] {
        watch();
        storeTimer_->start();
    };
    connect(storeWatch_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(storeWatch_, &QFileSystemWatcher::directoryChanged, this, changed);
}

void TVRNX_Form::RefreshFromStore() {
    // A build or a profile operation works on rows of the list: never under them.
    if (building_ || inHook_) return;
    if (sync_.Check(profiles_) == ProfileListSync::StoreChanged) sync_.Reload(profiles_);
}

bool TVRNX_Form::Reconcile(bool closing) {
    switch (sync_.Check(profiles_)) {
        case ProfileListSync::InSync:
            return false;
        case ProfileListSync::StoreChanged:
            if (!closing) sync_.Reload(profiles_);
            return false;
        case ProfileListSync::ListChanged:
            return closing;  // an operation saves the whole list itself
        case ProfileListSync::BothChanged:
            break;
    }
    if (UI().MessageBox(Msg(kMsgProfilesChangedElsewhere) + "\r\n" + Msg(kMsgOverwriteWithThisList),
                        Msg(kMsgConfirmation), MB_QUESTION_YESNO) == ID_YES)
        return true;
    if (!closing) sync_.Reload(profiles_);
    return false;
}

TProfileRec* TVRNX_Form::SelectedProfile() const {
    const int row = profiles_.Selected();
    return row >= 0 && row < profiles_.Count() ? profiles_.Profile(row) : nullptr;
}

void TVRNX_Form::SelectRow(int row) {
    if (row < -1 || row >= profiles_.Count()) return;
    profiles_.Select(row);
}

void TVRNX_Form::SyncView() {
    const QSignalBlocker block(list_);
    bool same = list_->topLevelItemCount() == profiles_.Count();
    for (int i = 0; same && i < profiles_.Count(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        same = item->text(0) == Qs(profiles_.Caption(i)) &&
               item->text(1) == Qs(profiles_.BuilderColumn(i));
    }
    if (!same) {
        list_->clear();
        for (int i = 0; i < profiles_.Count(); ++i)
            list_->addTopLevelItem(new QTreeWidgetItem(
                QStringList{Qs(profiles_.Caption(i)), Qs(profiles_.BuilderColumn(i))}));
    }
    const int row = profiles_.Selected();
    QTreeWidgetItem* item = row >= 0 ? list_->topLevelItem(row) : nullptr;
    ShowAsCurrent(list_, item);
}

void TVRNX_Form::ProfilesChanged() {
    SyncView();
    SelectionUpdate();
    ActionStateUpdate();
}

void TVRNX_Form::ApplyStates(const ActionStates& states) {
    for (const auto& [name, on] : states)
        if (QAction* a = Action(name)) a->setEnabled(on);
}

void TVRNX_Form::SelectionUpdate() {
    const int row = profiles_.Selected();
    const TProfileRec* p = SelectedProfile();
    lastSelection_ = SelectionStates(p, row, profiles_.Count());
    ApplyStates(lastSelection_);
    Action("TRY_IN_VM")->setEnabled(p && ImageFileExists(*p));
    if (p) {
        steps_.SetFromProfile(*p);
        ShowSteps();
    }
}

void TVRNX_Form::ActionStateUpdate() {
    const int builders = RegisteredBuilderCount();
    Action("ADD_PROFILE")->setEnabled(builders >= 1);
    const QString hint = Qs(EmptyListHint(profiles_.Count(), builders));
    hint_->setText(hint);
    hint_->setVisible(!hint.isEmpty());
    ActionStates states;
    for (const char* name : ProfileActionNames()) states[name] = Action(name)->isEnabled();
    RestrictToSelection(states, SelectedProfile() != nullptr);
    ApplyStates(states);
}

// ---- build style ----

bool TVRNX_Form::AdvancedStyle() const {
    return Action("ADVANCED_BUILD_STYLE")->isChecked();
}

void TVRNX_Form::SetBuildStyle(bool advanced) {
    Action(advanced ? "ADVANCED_BUILD_STYLE" : "BASIC_BUILD_STYLE")->setChecked(true);
    ApplyStyle();
}

void TVRNX_Form::ApplyStyle() {
    const bool advanced = AdvancedStyle();
    basicPanel_->setVisible(!advanced);
    advancedPanel_->setVisible(advanced);
    // F7 belongs to the Builder menu's first item: only the current style's build action
    // sits there, so the key runs that one.
    // The Create ISO item is left out of the advanced style's menu (and with it F5).
    builderMenu_->clear();
    builderMenu_->addAction(Action(advanced ? "ADVANCED_BUILD" : "BASIC_BUILD"));
    if (!advanced) builderMenu_->addAction(Action("BASIC_CREATEISO"));
    builderMenu_->addAction(Action("TRY_IN_VM"));
    builderMenu_->addSeparator();
    builderMenu_->addAction(Action("VIEW_LOGFILE"));
    builderMenu_->addSeparator();
    builderMenu_->addAction(Action("EXIT_PROGRAM"));
    // A style switch never enables a build action the selected profile does not allow
    // (no row selected, or no finished build to make an image of).
    auto allowed = [this](const char* name) {
        auto it = lastSelection_.find(name);
        return it != lastSelection_.end() && it->second;
    };
    // Never smaller than the controls of the current style need (long captions in a
    // language resource can ask for more than the usual minimum).
    UpdateLeastSize();
    Action("BASIC_BUILD")->setEnabled(!advanced && allowed("BASIC_BUILD"));
    Action("BASIC_CREATEISO")->setEnabled(!advanced && allowed("BASIC_CREATEISO"));
    Action("ADVANCED_BUILD")->setEnabled(advanced && allowed("ADVANCED_BUILD"));
}

// ---- list order ----

void TVRNX_Form::SortByColumn(int column) {
    if (column < 0 || column > 1 || building_) return;
    sortColumn_ = column;
    int& direction = sortDirection_[static_cast<size_t>(column)];
    direction = NextSortDirection(direction);
    std::vector<const TProfileRec*> order;
    for (int i = 0; i < profiles_.Count(); ++i) order.push_back(profiles_.Profile(i));
    std::stable_sort(order.begin(), order.end(), [&](const TProfileRec* a, const TProfileRec* b) {
        return a && b && CompareProfileRows(*a, *b, column, direction) < 0;
    });
    profiles_.SetNotify(false);
    for (int target = 0; target < static_cast<int>(order.size()); ++target) {
        for (int from = target; from < profiles_.Count(); ++from)
            if (profiles_.Profile(from) == order[static_cast<size_t>(target)]) {
                profiles_.Move(from, target);
                break;
            }
    }
    profiles_.SetNotify(true);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->setSortIndicator(column,
                                      direction > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    SyncView();
    // Only the move actions depend on the place; the bar keeps what the user chose.
    const int row = profiles_.Selected();
    if (row >= 0) {
        const ActionStates moved = SelectionStates(SelectedProfile(), row, profiles_.Count());
        for (const char* name : {"Item_UP", "Item_Down"}) {
            lastSelection_[name] = moved.at(name);
            Action(name)->setEnabled(moved.at(name));
        }
    }
    ActionStateUpdate();
}

void TVRNX_Form::MoveSelected(int delta) {
    const int row = profiles_.Selected();
    const int target = row + delta;
    if (building_ || row < 0 || target < 0 || target >= profiles_.Count()) return;
    profiles_.SetNotify(false);
    profiles_.Move(row, target);
    profiles_.Select(target);
    profiles_.SetNotify(true);
    ProfilesChanged();
    list_->setFocus();
}

bool TVRNX_Form::CanDropOn(int row) const {
    return !building_ && row >= 0 && row < profiles_.Count() && row != profiles_.Selected() &&
           profiles_.Selected() >= 0;
}

bool TVRNX_Form::DropOn(int row) {
    scroll_->Stop();
    if (!CanDropOn(row)) return false;
    const int source = profiles_.Selected();
    const int target = DropIndex(source, row);
    profiles_.SetNotify(false);
    profiles_.Move(source, target);
    profiles_.Select(target);
    profiles_.SetNotify(true);
    ProfilesChanged();
    return true;
}

// ---- actions ----

void TVRNX_Form::RunHook(const std::function<void(TVRNX_Form&)>& hook) {
    if (building_ || inHook_ || !hook) return;
    // The operation saves the whole list: it must not carry an old copy over the store.
    if (Reconcile(false)) WriteOrTell([this] { SaveProfiles(); });
    {
        const HookGuard guard(inHook_);
        hook(*this);
    }
    sync_.Check(profiles_);  // takes the operation's own save as the new common state
    ActionStateUpdate();
}

void TVRNX_Form::RunBuildAction(BuildMode mode) {
    const TProfileRec* p = SelectedProfile();
    if (building_ || !p || !hooks.runBuild) return;
    // The run works on its own copy: the row may not change under it while it lets window
    // messages through, and a second build cannot start meanwhile.
    const TProfileRec profile = *p;
    const BuildSteps steps = steps_.Steps();
    building_ = true;
    ShowBuildRunning(true);
    try {
        hooks.runBuild(mode, profile, mode == BuildMode::Advanced ? steps : BuildSteps{});
    } catch (const std::exception& e) {
        // A failure inside the run ends that run, never the program.
        UI().MessageBox(e.what(), Msg(kMsgError), MB_ERROR_OK);
    }
    building_ = false;
    ShowBuildRunning(false);
    SelectionUpdate();
    ActionStateUpdate();
}

void TVRNX_Form::ShowBuildRunning(bool running) {
    WaitNotifier::Instance().ResetStop();
    Action("STOP_BUILD")->setEnabled(running);
    stopButton_->setVisible(running);
}

void TVRNX_Form::StopBuild(bool ask) {
    if (!building_ || askingStop_ || WaitNotifier::Instance().StopRequested()) return;
    askingStop_ = true;
    const bool confirmed =
        !ask || UI().MessageBox(Msg(kMsgStopBuildQuestion), Msg(kMsgConfirmation),
                                MB_QUESTION_YESNO) == ID_YES;
    askingStop_ = false;
    // The build may have ended while the question was open.
    if (confirmed && building_) WaitNotifier::Instance().RequestStop();
}

void TVRNX_Form::CloseOnSignal() {
    if (building_) StopBuild(false);
    close();
}

void TVRNX_Form::TryInVm() {
    const TProfileRec* p = SelectedProfile();
    if (building_ || !p || !hooks.tryImage) return;
    hooks.tryImage(*p);
}

void TVRNX_Form::OpenFolder(const std::string& actionName) {
    const TProfileRec* p = SelectedProfile();
    if (!p || !hooks.openTarget) return;
    const std::string folder = FolderOfAction(actionName, *p);
    if (!folder.empty()) hooks.openTarget(folder);
}

void TVRNX_Form::ViewLog() {
    const TProfileRec* p = SelectedProfile();
    if (!p || !hooks.runProgram) return;
    const std::string editor =
        RegReadString(0, std::string(kVarnexKey) + "\\System", "TextEditor", "");
    std::string error;
    if (!hooks.runProgram(LogViewerArguments(editor, LogFileOf(*p)), &error))
        UI().MessageBox(error, Msg(kMsgError), MB_ERROR_OK);
}

void TVRNX_Form::ViewHelp() {
    const std::string help = HelpFileFor(platform::ProgramFile().string());
    std::error_code ec;
    if (hooks.openTarget && std::filesystem::exists(help, ec)) hooks.openTarget(help);
}

void TVRNX_Form::ShowContextMenu(const QPoint& pos) {
    ActionStateUpdate();
    QMenu menu(this);
    for (QAction* a : profileMenu_->actions()) menu.addAction(a);
    menu.exec(list_->viewport()->mapToGlobal(pos));
}

// ---- the builder's log ----

void TVRNX_Form::WatchLog(const std::string& logFile) {
    if (logFile.empty()) {
        logTimer_->stop();
        RefreshLogTail();  // how the build ended
        watchedLog_.clear();
        return;
    }
    watchedLog_ = logFile;
    logTail_->clear();
    SetLogTailShown(true);
    RefreshLogTail();
    logTimer_->start();
}

void TVRNX_Form::SetLogTailShown(bool shown) {
    if (shown == logTail_->isVisible()) return;
    if (shown) {
        const QFontMetrics metrics(logTail_->font());
        const int margins =
            2 * (logTail_->frameWidth() + static_cast<int>(logTail_->document()->documentMargin()));
        logTail_->setFixedHeight(kLogTailLines * metrics.lineSpacing() + margins);
    }
    // The panel takes its height from the window, not from the list: the window grows by it
    // (as far as the screen allows) and gives it back when the panel goes.
    const int panel = logTail_->height() + centralWidget()->layout()->spacing();
    logTail_->setVisible(shown);
    UpdateLeastSize();
    if (windowState() != Qt::WindowNoState) {
        logGrowth_ = 0;
        return;
    }
    if (shown) {
        const QRect area = AreaFor(frameGeometry());
        const int room = area.bottom() - frameGeometry().bottom();
        logGrowth_ = std::clamp(room, 0, panel);
        resize(width(), std::max(height() + logGrowth_, minimumHeight()));
    } else {
        resize(width(), std::max(height() - logGrowth_, minimumHeight()));
        logGrowth_ = 0;
    }
}

void TVRNX_Form::RefreshLogTail() {
    if (watchedLog_.empty()) return;
    QStringList lines;
    for (const std::string& line : ReadLogTail(watchedLog_, kLogTailLines)) lines << Qs(line);
    const QString text = lines.join(QLatin1Char('\n'));
    if (text == logTail_->toPlainText()) return;
    logTail_->setPlainText(text);
    logTail_->moveCursor(QTextCursor::End);
    logTail_->ensureCursorVisible();
}

// ---- events ----

bool TVRNX_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        hint_->setGeometry(list_->viewport()->rect());
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool plain =
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        const int column = plain && text.size() == 1 ? DigitColumn(text.at(0).unicode()) : -1;
        if (column >= 0) {
            if (AdvancedStyle() && !building_) {
                steps_.Toggle(column);
                ShowSteps();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVRNX_Form::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshFromStore();
}

void TVRNX_Form::closeEvent(QCloseEvent* event) {
    if (building_) {
        event->ignore();
        return;
    }
    // The list is saved only when this window changed it: what vrnx2-cli wrote meanwhile
    // stays.
    std::string failure;
    try {
        if (Reconcile(true)) SaveProfiles();
    } catch (const StoreError& e) {
        failure = e.what();
    }
    try {
        MainFormGeometry g = CurrentGeometry(this);
        g.height -= logGrowth_;
        SaveMainFormGeometry(g.state, g);
        SaveMainColumnWidths(
            MainColumnWidths{list_->header()->sectionSize(0), list_->header()->sectionSize(1)});
        SaveBuildStyle(AdvancedStyle());
    } catch (const StoreError& e) {
        if (failure.empty()) failure = e.what();
    }
    if (!failure.empty()) UI().MessageBox(failure, Msg(kMsgError), MB_ERROR_OK);
    profiles_.SetNotify(false);
    profiles_.Clear();
    event->accept();
}

}  // namespace vrnx2
