#pragma once
// The window program's user interface: message boxes, the one-line input dialog and the
// folder picker, with texts from the message table and fonts from the window set-up.
//
// With the environment variable VRNX2_AUTO_ANSWER set (ok, yes, no, retry or cancel) nothing
// is shown: each box prints "caption: text" to standard error and answers by itself, so the
// program can run unattended (tests, scripts). An answer a box does not offer gives its
// default button.

#include <optional>
#include <string>

#include "vrnx2/base/UserInterface.h"

class QProgressDialog;

namespace vrnx2 {

inline constexpr const char* kAutoAnswerVariable = "VRNX2_AUTO_ANSWER";
// A widget with this property set to true takes input while a build waits.
inline constexpr const char* kPassesWait = "vrnx2PassesWait";

class QtUserInterface : public UserInterface {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool InputText(const std::string& caption, const std::string& prompt,
                   std::string& text) override;
    bool BrowseForFolder(const std::string& title, std::string& path, bool extended) override;
    // Lets everything through but input: windows repaint, resize and run their timers, while
    // keys, clicks and shortcuts are dropped (held back they would act once the wait ends)
    // and a window asked to close is closed only after the wait; a modal window opened
    // meanwhile works as usual.
    // Two things pass: the widgets marked with the property kPassesWait (the Stop button),
    // and Escape, which asks for a stop (WaitNotifier::stopAsked).
    void ProcessMessages() override;
    void WatchLog(const std::string& logFile) override;
    bool StopRequested() override;
    void SetBusy(bool busy) override;
    // A modal progress window ("ImageProgress": its bar, the item's name, Cancel).
    void BeginProgress(const std::string& title, uint64_t total) override;
    bool Progress(const std::string& item, uint64_t done) override;
    void EndProgress(bool completed) override;

private:
    QProgressDialog* progress_ = nullptr;
    uint64_t progressTotal_ = 0;
    int64_t progressShownAt_ = 0;
    int busyDepth_ = 0;
    bool watching_ = false;
};

// The answer a box with `flags` gives to `answer` ("ok", "yes", "no", "retry", "cancel"),
// or nullopt when `answer` is empty (the box is shown).
std::optional<int> AutoAnswer(const std::string& answer, unsigned flags);

}  // namespace vrnx2
