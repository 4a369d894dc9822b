#include "vrnx2/shell/ui/MainForm.h"

#include <QAction>
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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "platform/Files.h"
#include "platform/Process.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/controls/ui/ArrowColumn.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"
#include "vrnx2/shell/ui/LogTailPanel.h"
#include "vrnx2/shell/ui/QtUserInterface.h"
#include "vrnx2/shell/ui/StepBar.h"
#include "vrnx2/shell/ui/WaitNotifier.h"

namespace vrnx2 {

namespace {

constexpr int kListRows = 4;  // the profile list never shows fewer

}  // namespace

TVRNX_Form::TVRNX_Form(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("VRNX_Form"));
    setWindowTitle(QStringLiteral("Varnex v2"));

    hooks.runBuild = [](BuildMode mode, const TProfileRec& p, const BuildSteps& steps) {
        RunBuild(mode, p, steps);
    };
    hooks.openTarget = [](const std::string& target) { return platform::OpenWithDesktop(target); };
    hooks.tryImage = [this](const TProfileRec& p) { StartVm(p); };
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

    connect(&WaitNotifier::Instance(), &WaitNotifier::logWatched, this,
            [this](const QString& file) { WatchLog(file.toStdString()); });
    connect(&WaitNotifier::Instance(), &WaitNotifier::stopAsked, this, [this] { StopBuild(); });

    const MainColumnWidths widths = LoadMainColumnWidths();
    // A width of 0 or less, set by hand in the store, would hide the column for good.
    list_->header()->resizeSection(0, widths.profile > 0 ? widths.profile : 200);
    list_->header()->resizeSection(1, widths.builder > 0 ? widths.builder : 216);
    bar_->SetUp(LoadBarColours());
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

TComboGrid* TVRNX_Form::StepBar() const {
    return bar_;
}

const BuildStepBar& TVRNX_Form::Steps() const {
    return bar_->Steps();
}

QPlainTextEdit* TVRNX_Form::LogTailView() const {
    return logTail_;
}

void TVRNX_Form::BuildControls() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    listFrame_ = new QGroupBox(MsgText(kMsgProfileList), central);
    auto* grid = new QGridLayout(listFrame_);
    list_ = AddFramedRowList(
        listFrame_, grid, {MsgText(kMsgColumnProfile), MsgText(kMsgColumnBuilderUsed)}, scroll_,
        {[this] { return profiles_.Count(); }, [this](int i) { return profiles_.Id(i); },
         [this](int i) {
             return RowLook{{profiles_.Caption(i), profiles_.BuilderColumn(i)}};
         }},
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

    logTail_ = new TLogTailPanel(central);
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
    bar_ = new TStepBar(advancedPanel_);
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

    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const int row = current.isValid() ? current.row() : -1;
                if (showing_ || row == profiles_.Selected() || row >= profiles_.Count()) return;
                if (!logTail_->Watching())
                    SetLogTailShown(false);  // it told of another profile's build
                profiles_.Select(row);       // runs the updates through ProfilesChanged
            });
    connect(list_, &QAbstractItemView::clicked, this, [this] { ActionStateUpdate(); });
    connect(list_, &QAbstractItemView::doubleClicked, this, [this] {
        if (QAction* edit = Action("EDIT_PROFILE"); edit->isEnabled()) edit->trigger();
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &TVRNX_Form::SortByColumn);
    connect(list_, &QWidget::customContextMenuRequested, this, &TVRNX_Form::ShowContextMenu);
    list_->installEventFilter(this);
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
    // The list's own selection follows the rows; the profile list's selection holds.
    showing_ = true;
    list_->ShowRows(profiles_.Selected());
    showing_ = false;
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
    if (p) bar_->ShowProfile(*p);
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
    const int direction = profiles_.SortByColumn(column);
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
            if (AdvancedStyle() && !building_) bar_->Toggle(column);
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
