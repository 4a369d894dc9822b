#pragma once
// The user interface of the console companion. Every message box is printed as a
// "CAPTION: TEXT" line on the output stream (standard error). Questions are asked on the
// terminal when the input is one; with "assume yes" they are answered Yes (OK, Retry) at
// once, but Retry at most three times in a row and then Cancel, so a retry loop ends; with
// neither they are answered No (Cancel).

#include <cstdint>
#include <cstdio>
#include <string>

#include "vrnx2/base/UserInterface.h"

namespace vrnx2 {

class TerminalInterface : public UserInterface {
public:
    // Asks on the terminal when `in` is one.
    explicit TerminalInterface(bool assumeYes = false, std::FILE* in = stdin,
                               std::FILE* out = stderr);
    // `interactive` says whether to ask on `in`, whatever it is.
    TerminalInterface(bool assumeYes, std::FILE* in, std::FILE* out, bool interactive);

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool InputText(const std::string& caption, const std::string& prompt,
                   std::string& text) override;
    bool BrowseForFolder(const std::string& title, std::string& path, bool extended) override;
    // On a terminal one line, rewritten in place; elsewhere only a start and an end line.
    void BeginProgress(const std::string& title, uint64_t total) override;
    bool Progress(const std::string& item, uint64_t done) override;
    void EndProgress(bool completed) override;
    // Whether progress rewrites one line (the output is a terminal) or prints two.
    void SetProgressOnTerminal(bool onTerminal) { progressOnTerminal_ = onTerminal; }

    static constexpr int kMaxRetriesInRow = 3;

private:
    int AnswerUnasked(unsigned type);
    int AskOnTerminal(unsigned type);
    bool ReadLine(std::string& line);
    void Print(const std::string& caption, const std::string& text);

    bool assumeYes_;
    std::FILE* in_;
    std::FILE* out_;
    bool interactive_;
    int retriesInRow_ = 0;
    bool progressOnTerminal_;
    std::string progressTitle_;
    uint64_t progressTotal_ = 0;
    uint64_t progressDone_ = 0;
    int64_t progressShownAt_ = 0;
};

}  // namespace vrnx2
