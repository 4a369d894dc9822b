#include "tests/support/ScriptedInterface.h"

using namespace vrnx2;

namespace {

// The next queued answer into `out`; false when none is queued or it is a cancel.
bool TakeNext(std::deque<std::optional<std::string>>& queue, std::string& out) {
    if (queue.empty()) return false;
    std::optional<std::string> next = std::move(queue.front());
    queue.pop_front();
    if (!next) return false;
    out = std::move(*next);
    return true;
}

}  // namespace

ScriptedInterface::ScriptedInterface() : previous_(SetUserInterface(this)) {}

ScriptedInterface::~ScriptedInterface() {
    SetUserInterface(previous_);
}

int ScriptedInterface::MessageBox(const std::string& text, const std::string& caption,
                                  unsigned flags) {
    Box box{text, caption, flags, 0};
    if (onBox) onBox(box);
    if (!answers_.empty()) {
        box.answer = answers_.front();
        answers_.pop_front();
    } else {
        ++unanswered;
        switch (flags & 0xF) {
            case 3:
            case 1:
            case 5:
                box.answer = ID_CANCEL;
                break;
            case 4:
                box.answer = ID_NO;
                break;
            case 2:
                box.answer = 3;
                break;  // Abort
            default:
                box.answer = ID_OK;
                break;
        }
    }
    boxes.push_back(box);
    return box.answer;
}

bool ScriptedInterface::InputText(const std::string& caption, const std::string& prompt,
                                  std::string& text) {
    inputRequests.push_back({caption, prompt, text});
    return TakeNext(inputs_, text);
}

bool ScriptedInterface::BrowseForFolder(const std::string& title, std::string& path,
                                        bool extended) {
    folderRequests.push_back({title, path, extended});
    return TakeNext(folders_, path);
}
