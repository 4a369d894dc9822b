#include "vrnx2/base/TerminalInterface.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <vector>

#include "common/Trim.h"

namespace vrnx2 {

namespace {

constexpr int kIdAbort = 3;
constexpr int kIdIgnore = 5;

struct Button {
    const char* label;
    char key;
    int id;
};

// The buttons of a box type (the low four bits of its flags), in the box's order.
std::vector<Button> ButtonsOf(unsigned type) {
    switch (type) {
        case 1:
            return {{"OK", 'o', ID_OK}, {"Cancel", 'c', ID_CANCEL}};
        case 2:
            return {{"Abort", 'a', kIdAbort}, {"Retry", 'r', ID_RETRY}, {"Ignore", 'i', kIdIgnore}};
        case 3:
            return {{"Yes", 'y', ID_YES}, {"No", 'n', ID_NO}, {"Cancel", 'c', ID_CANCEL}};
        case 4:
            return {{"Yes", 'y', ID_YES}, {"No", 'n', ID_NO}};
        case 5:
            return {{"Retry", 'r', ID_RETRY}, {"Cancel", 'c', ID_CANCEL}};
        default:
            return {{"OK", 'o', ID_OK}};
    }
}

const char* LabelOf(unsigned type, int id) {
    for (const Button& b : ButtonsOf(type))
        if (b.id == id) return b.label;
    return "?";
}

// A two-line question joins its texts with CR LF; the terminal wants bare line feeds.
std::string ToTerminalLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Percent(uint64_t done, uint64_t total) {
    const uint64_t p = total ? std::min<uint64_t>(100, done * 100 / total) : 100;
    return std::to_string(p) + "%";
}

// At most `bytes` bytes of `text`, not cutting a UTF-8 sequence.
std::string Shortened(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

}  // namespace

TerminalInterface::TerminalInterface(bool assumeYes, std::FILE* in, std::FILE* out)
    : TerminalInterface(assumeYes, in, out, in && ::isatty(::fileno(in)) == 1) {}

TerminalInterface::TerminalInterface(bool assumeYes, std::FILE* in, std::FILE* out,
                                     bool interactive)
    : assumeYes_(assumeYes),
      in_(in),
      out_(out),
      interactive_(interactive && in),
      progressOnTerminal_(out && ::isatty(::fileno(out)) == 1) {}

void TerminalInterface::Print(const std::string& caption, const std::string& text) {
    std::fprintf(out_, "%s: %s\n", caption.c_str(), ToTerminalLines(text).c_str());
    std::fflush(out_);
}

bool TerminalInterface::ReadLine(std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(in_)) != EOF && c != '\n') line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return c != EOF || !line.empty();
}

int TerminalInterface::AnswerUnasked(unsigned type) {
    std::vector<Button> buttons = ButtonsOf(type);
    if (buttons.size() == 1) return buttons.front().id;
    auto has = [&](int id) {
        for (const Button& b : buttons)
            if (b.id == id) return true;
        return false;
    };
    if (!assumeYes_) {
        if (has(ID_NO) && !has(ID_CANCEL)) return ID_NO;
        return has(ID_CANCEL) ? ID_CANCEL : kIdAbort;
    }
    if (has(ID_RETRY)) {
        // A retry loop that never succeeds must still end.
        if (retriesInRow_ < kMaxRetriesInRow) {
            ++retriesInRow_;
            return ID_RETRY;
        }
        retriesInRow_ = 0;
        return has(ID_CANCEL) ? ID_CANCEL : kIdAbort;
    }
    return has(ID_YES) ? ID_YES : ID_OK;
}

int TerminalInterface::AskOnTerminal(unsigned type) {
    std::vector<Button> buttons = ButtonsOf(type);
    std::string choices;
    for (const Button& b : buttons) {
        if (!choices.empty()) choices += "/";
        choices += "[";
        choices += b.key;
        choices += "]";
        choices += b.label + 1;
    }
    std::string line;
    for (;;) {
        std::fprintf(out_, "%s? ", choices.c_str());
        std::fflush(out_);
        if (!ReadLine(line)) {
            std::fputc('\n', out_);
            // End of input: the negative answer, as without a terminal.
            bool saved = assumeYes_;
            assumeYes_ = false;
            int id = AnswerUnasked(type);
            assumeYes_ = saved;
            return id;
        }
        std::string_view answer = TrimView(line);
        if (answer.empty()) continue;
        char key = static_cast<char>(std::tolower(static_cast<unsigned char>(answer.front())));
        for (const Button& b : buttons)
            if (b.key == key) return b.id;
    }
}

int TerminalInterface::MessageBox(const std::string& text, const std::string& caption,
                                  unsigned flags) {
    const unsigned type = flags & 0xF;
    Print(caption, text);
    if (ButtonsOf(type).size() == 1) {
        retriesInRow_ = 0;
        return ButtonsOf(type).front().id;
    }
    if (assumeYes_ || !interactive_) {
        int id = AnswerUnasked(type);
        if (id != ID_RETRY) retriesInRow_ = 0;
        std::fprintf(out_, "-> %s\n", LabelOf(type, id));
        std::fflush(out_);
        return id;
    }
    retriesInRow_ = 0;
    return AskOnTerminal(type);
}

bool TerminalInterface::InputText(const std::string& caption, const std::string& prompt,
                                  std::string& text) {
    Print(caption, prompt);
    if (assumeYes_ || !interactive_) {
        std::fprintf(out_, "-> %s\n", assumeYes_ ? text.c_str() : "Cancel");
        std::fflush(out_);
        return assumeYes_;
    }
    std::fprintf(out_, "[%s]: ", text.c_str());
    std::fflush(out_);
    std::string line;
    if (!ReadLine(line)) {
        std::fputc('\n', out_);
        return false;
    }
    // An empty answer keeps the offered text, as OK on an untouched box would.
    if (!line.empty()) text = line;
    return true;
}

void TerminalInterface::BeginProgress(const std::string& title, uint64_t total) {
    progressTitle_ = title;
    progressTotal_ = total;
    progressDone_ = 0;
    progressShownAt_ = 0;
    if (!progressOnTerminal_) {
        std::fprintf(out_, "%s ...\n", title.c_str());
        std::fflush(out_);
    }
}

bool TerminalInterface::Progress(const std::string& item, uint64_t done) {
    progressDone_ = done;
    const int64_t now = NowMs();
    if (progressOnTerminal_ && now - progressShownAt_ >= 100) {
        progressShownAt_ = now;
        const std::string line = progressTitle_ + ": " + Percent(done, progressTotal_) +
                                 (item.empty() ? "" : " " + item);
        // The rest of the line is erased, so a shorter text leaves nothing behind.
        std::fprintf(out_, "\r%s\x1b[K", Shortened(line, 100).c_str());
        std::fflush(out_);
    }
    return !StopRequested();
}

void TerminalInterface::EndProgress(bool completed) {
    const std::string line =
        progressTitle_ + ": " + (completed ? "100%" : Percent(progressDone_, progressTotal_));
    if (progressOnTerminal_) {
        std::fprintf(out_, "\r%s\x1b[K\n", line.c_str());
    } else {
        std::fprintf(out_, "%s\n", line.c_str());
    }
    std::fflush(out_);
}

bool TerminalInterface::BrowseForFolder(const std::string& title, std::string& path, bool) {
    return InputText(title, "folder", path);
}

}  // namespace vrnx2
