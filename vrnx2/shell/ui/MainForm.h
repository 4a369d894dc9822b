#pragma once
// The main window: the profile list, the two build styles, every command as a named
// action. It shows and forwards; the rules live in MainWindowLogic and ProfileList.

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "vrnx2/build/TryImage.h"
#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/ProfileListSync.h"
#include "vrnx2/shell/MainWindowLogic.h"

class QAction;
class QActionGroup;
class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vrnx2 {

class DragAutoScroll;
class RowDragList;
class TComboGrid;
class TLogTailPanel;
class TStepBar;
class TVRNX_Form;

// What the window hands to the rest of the program. The defaults run the build engine,
// the desktop's opener and the process launcher; the windows of the profile operations,
// preferences, builder registration and about box plug in here.
struct MainFormHooks {
    std::function<void(BuildMode mode, const TProfileRec& profile, const BuildSteps& steps)>
        runBuild;
    std::function<bool(const std::string& target)> openTarget;
    // Starts a program from its argument list without waiting; false with a reason when it
    // did not start.
    std::function<bool(const std::vector<std::string>& argv, std::string* error)> runProgram;
    // Starts the profile's image in a virtual machine without waiting (refusals are told).
    std::function<void(const TProfileRec& profile)> tryImage;

    std::function<void(TVRNX_Form&)> addProfile;
    std::function<void(TVRNX_Form&)> editProfile;
    std::function<void(TVRNX_Form&)> copyProfile;
    std::function<void(TVRNX_Form&)> deleteProfile;
    std::function<void(TVRNX_Form&)> profileSettings;
    std::function<void(TVRNX_Form&)> preferences;
    std::function<void(TVRNX_Form&)> about;
    // True when the registered builders changed (the profiles are then reloaded).
    std::function<bool(TVRNX_Form&)> registerBuilder;
};

class TVRNX_Form : public QMainWindow {
    Q_OBJECT
public:
    explicit TVRNX_Form(QWidget* parent = nullptr);
    ~TVRNX_Form() override;

    MainFormHooks hooks;

    QAction* Action(const std::string& name) const;
    ProfileList& Profiles() { return profiles_; }
    RowDragList* ProfileView() const { return list_; }
    TComboGrid* StepBar() const;
    const BuildStepBar& Steps() const;

    // The profile list: loading and saving go through the store; after any other change
    // of Profiles(), ProfilesChanged() shows it and runs the state updates.
    void LoadProfiles();
    void SaveProfiles();
    void ProfilesChanged();
    // vrnx2-cli may change the store while the window is open: a list the window has not
    // changed is reloaded then (on activation, when the store file changes, before a profile
    // operation), and the window saves only what it changed itself.
    void RefreshFromStore();
    int SelectedRow() const { return profiles_.Selected(); }
    TProfileRec* SelectedProfile() const;
    void SelectRow(int row);

    bool Building() const { return building_; }
    // During a build: after the person confirms (or at once without `ask`), the builder and
    // every program it started are ended, and the run puts the plugin folder back.
    void StopBuild(bool ask = true);
    // A terminate signal: closes the window as the close button does; during a build it
    // first stops the build without asking, so the window closes once the plugin folder is
    // back rather than the program ending with it moved aside.
    void CloseOnSignal();

    bool AdvancedStyle() const;
    void SetBuildStyle(bool advanced);

    void SelectionUpdate();
    void ActionStateUpdate();

    // List order: header click, the two move actions, drag and drop.
    void SortByColumn(int column);
    int SortDirection(int column) const { return profiles_.SortDirection(column); }
    void MoveSelected(int delta);
    bool CanDropOn(int row) const;
    // Moves the dragged (selected) row onto `row`; false when refused.
    bool DropOn(int row);
    // Scrolls the list while a drag rests near its edges.
    DragAutoScroll* AutoScroller() const { return scroll_; }

    // The last lines of the log the builder writes while a build waits for it; they stay
    // shown after the build until another row is selected.
    QPlainTextEdit* LogTailView() const;
    // The text the list shows while it has no rows.
    QLabel* EmptyListHintLabel() const { return hint_; }
    void WatchLog(const std::string& logFile);
    void RefreshLogTail();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildControls();
    void RestoreGeometry();
    void KeepListRows();
    void UpdateLeastSize();
    void SetLogTailShown(bool shown);
    void ApplyStates(const ActionStates& states);
    void ApplyStyle();
    void SyncView();
    void RunBuildAction(BuildMode mode);
    void OpenFolder(const std::string& actionName);
    void ViewLog();
    void ViewHelp();
    void TryInVm();
    // The default of hooks.tryImage: one machine at a time, refusals told.
    void StartVm(const TProfileRec& p);
    void ShowBuildRunning(bool running);
    void RunHook(const std::function<void(TVRNX_Form&)>& hook);
    void WatchStore();
    // Before a profile operation and on close: takes the store's changes when the window has
    // none, asks when both changed. True when the window's list is to be saved.
    bool Reconcile(bool closing);
    void ShowContextMenu(const QPoint& pos);

    ProfileList profiles_;
    ActionStates lastSelection_;
    bool building_ = false;
    bool askingStop_ = false;
    VmSession vm_;
    bool inHook_ = false;  // a profile operation holds rows of the list
    ProfileListSync sync_;
    QFileSystemWatcher* storeWatch_ = nullptr;
    QTimer* storeTimer_ = nullptr;

    NamedActions actions_{this, false};
    QActionGroup* styleGroup_ = nullptr;
    QMenu* builderMenu_ = nullptr;
    QMenu* profileMenu_ = nullptr;
    QGroupBox* listFrame_ = nullptr;
    RowDragList* list_ = nullptr;
    bool showing_ = false;  // the list is being brought to the selection
    QWidget* basicPanel_ = nullptr;
    QWidget* advancedPanel_ = nullptr;
    TStepBar* bar_ = nullptr;
    DragAutoScroll* scroll_ = nullptr;
    TLogTailPanel* logTail_ = nullptr;
    int logGrowth_ = 0;  // what the shown log panel added to the window's height
    QLabel* hint_ = nullptr;
    QPushButton* stopButton_ = nullptr;
};

}  // namespace vrnx2
