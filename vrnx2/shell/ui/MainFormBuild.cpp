// The main window while a build runs: the wait, its stop, the builder's log under the list,
// and the try of a finished image in a virtual machine.
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/FormPlacement.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/shell/ui/LogTailPanel.h"
#include "vrnx2/shell/ui/MainForm.h"
#include "vrnx2/shell/ui/StepBar.h"
#include "vrnx2/shell/ui/WaitNotifier.h"

namespace vrnx2 {

void TVRNX_Form::RunBuildAction(BuildMode mode) {
    const TProfileRec* p = SelectedProfile();
    if (building_ || !p || !hooks.runBuild) return;
    // The run works on its own copy: the row may not change under it while it lets window
    // messages through, and a second build cannot start meanwhile.
    const TProfileRec profile = *p;
    const BuildSteps steps = bar_->Steps().Steps();
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

void TVRNX_Form::StartVm(const TProfileRec& p) {
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
}

// ---- the builder's log ----

void TVRNX_Form::WatchLog(const std::string& logFile) {
    logTail_->Watch(logFile);
    if (!logFile.empty()) SetLogTailShown(true);
}

void TVRNX_Form::SetLogTailShown(bool shown) {
    if (shown == logTail_->isVisible()) return;
    if (shown) logTail_->FitLines();
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
    logTail_->Refresh();
}

}  // namespace vrnx2
