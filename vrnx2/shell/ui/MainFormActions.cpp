// The main window's commands: its named actions, menus and what they run.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <array>
#include <filesystem>

#include "platform/Files.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/MainForm.h"

namespace vrnx2 {

namespace {

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

}  // namespace

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

void TVRNX_Form::OpenFolder(const std::string& actionName) {
    const TProfileRec* p = SelectedProfile();
    if (!p || !hooks.openTarget) return;
    const std::string folder = FolderOfAction(actionName, *p);
    if (!folder.empty()) hooks.openTarget(folder);
}

void TVRNX_Form::ViewLog() {
    const TProfileRec* p = SelectedProfile();
    if (!p || !hooks.runProgram) return;
    const std::string editor = LoadPreferences().textEditor;
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

}  // namespace vrnx2
