#pragma once
// Every question the logic asks the person goes through this interface: the window program
// implements it with Qt, vrnx2-cli with the terminal, the tests with a script of answers.

#include <cstdint>
#include <string>

namespace vrnx2 {

// Flag sets of the message boxes (task-modal and set-foreground included).
enum MessageFlags : unsigned {
    MB_ERROR_OK = 0x12010,
    MB_QUESTION_YESNO = 0x12024,
    MB_ERROR_RETRYCANCEL = 0x12015,
    MB_INFORMATION = 0x12040,
};

// Answers, with the Windows numbers.
enum MessageResult : int { ID_OK = 1, ID_CANCEL = 2, ID_RETRY = 4, ID_YES = 6, ID_NO = 7 };

class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // One-line input (at most 255 characters). True and text replaced on OK.
    virtual bool InputText(const std::string& caption, const std::string& prompt,
                           std::string& text) = 0;
    // Folder picker. True and path replaced on confirmation.
    virtual bool BrowseForFolder(const std::string& title, std::string& path, bool extended) = 0;
    // Lets pending window messages through (a no-op off the window program). Windows are
    // repainted meanwhile, but input to them is not acted on, now or later.
    virtual void ProcessMessages() {}
    // The program now waited for reports its progress in `logFile`, which the window
    // program may show as it grows; an empty name ends the watch.
    virtual void WatchLog(const std::string& /*logFile*/) {}
    // Shows or hides the busy pointer.
    virtual void SetBusy(bool) {}
    // The person asked the run to stop (the window's Stop, a terminate signal or the time
    // limit of vrnx2-cli): the program waited for is ended with every process it started,
    // and a build run starts no further program and puts the plugin folder back.
    virtual bool StopRequested() { return false; }
    // The person insists (a second terminate signal): the program waited for is killed at
    // once rather than given time to end.
    virtual bool StopNow() { return false; }
    // Long work (a source image unpacked) of `total` bytes: Progress() names the item now
    // worked on and the bytes done so far, and is false once the person cancelled.
    virtual void BeginProgress(const std::string& /*title*/, uint64_t /*total*/) {}
    virtual bool Progress(const std::string& /*item*/, uint64_t /*done*/) {
        return !StopRequested();
    }
    virtual void EndProgress(bool /*completed*/) {}
};

// The process-wide interface; a terminal one until the program installs its own.
UserInterface& UI();
// Installs `ui` (not owned) and returns the previous one; null restores the default.
UserInterface* SetUserInterface(UserInterface* ui);

// Shows the busy pointer for as long as it lives, however the work in between ends.
class BusyPointer {
public:
    BusyPointer() { UI().SetBusy(true); }
    ~BusyPointer() { UI().SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace vrnx2
