#include "tests/support/ScriptedInterface.h"

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
    if (inputs_.empty()) return false;
    std::optional<std::string> next = std::move(inputs_.front());
    inputs_.pop_front();
    if (!next) return false;
    text = std::move(*next);
    return true;
}

bool ScriptedInterface::BrowseForFolder(const std::string& title, std::string& path,
                                        bool extended) {
    folderRequests.push_back({title, path, extended});
    if (folders_.empty()) return false;
    std::optional<std::string> next = std::move(folders_.front());
    folders_.pop_front();
    if (!next) return false;
    path = std::move(*next);
    return true;
}
