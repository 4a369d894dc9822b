#pragma once
// A user interface for tests: answers come from queues filled before the action runs, and
// every box, input and folder request is logged. It installs itself on construction and
// restores the previous interface on destruction.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vrnx2/base/UserInterface.h"

class ScriptedInterface : public vrnx2::UserInterface {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags = 0;
        int answer = 0;
    };
    struct InputRequest {
        std::string caption;
        std::string prompt;
        std::string initial;
    };
    struct FolderRequest {
        std::string title;
        std::string path;
        bool extended = false;
    };

    ScriptedInterface();
    ~ScriptedInterface() override;
    ScriptedInterface(const ScriptedInterface&) = delete;
    ScriptedInterface& operator=(const ScriptedInterface&) = delete;

    // Answers for the next boxes, in order. With the queue empty a box gets its negative
    // answer (OK, No, Cancel) and counts as unanswered.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    // Next input text; nullopt answers Cancel. Empty queue: Cancel.
    void QueueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
    // Next folder choice; nullopt answers Cancel. Empty queue: Cancel.
    void QueueFolder(std::optional<std::string> path) { folders_.push_back(std::move(path)); }

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool InputText(const std::string& caption, const std::string& prompt,
                   std::string& text) override;
    bool BrowseForFolder(const std::string& title, std::string& path, bool extended) override;
    void ProcessMessages() override { ++processMessagesCalls; }
    void SetBusy(bool on) override {
        busy = on;
        ++busyChanges;
    }

    bool StopRequested() override { return stopWhen && stopWhen(); }

    // Runs when a box is shown, before it is answered (to change the world between retries).
    std::function<void(const Box&)> onBox;
    // Asked while a program is waited for: true stops the run.
    std::function<bool()> stopWhen;

    std::vector<Box> boxes;
    std::vector<InputRequest> inputRequests;
    std::vector<FolderRequest> folderRequests;
    int unanswered = 0;
    int processMessagesCalls = 0;
    bool busy = false;
    int busyChanges = 0;

private:
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> inputs_;
    std::deque<std::optional<std::string>> folders_;
    vrnx2::UserInterface* previous_;
};
