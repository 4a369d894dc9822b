#include "vrnx2/base/TerminalInterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/ScriptedInterface.h"

using namespace vrnx2;

namespace {

// A terminal fed from a string, printing into memory.
class FakeTerminal {
public:
    explicit FakeTerminal(std::string input) : input_(std::move(input)) {
        in_ = input_.empty() ? std::fopen("/dev/null", "r")
                             : fmemopen(input_.data(), input_.size(), "r");
        out_ = open_memstream(&buffer_, &size_);
    }
    ~FakeTerminal() {
        std::fclose(in_);
        std::fclose(out_);
        std::free(buffer_);
    }
    std::FILE* in() { return in_; }
    std::FILE* out() { return out_; }
    std::string Output() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }

private:
    std::string input_;
    std::FILE* in_;
    std::FILE* out_;
    char* buffer_ = nullptr;
    size_t size_ = 0;
};

TEST(TerminalInterface, WithoutTerminalQuestionsAreAnsweredNo) {
    FakeTerminal term("y\ny\n");
    TerminalInterface ui(false, term.in(), term.out(), false);
    EXPECT_EQ(ui.MessageBox("done", "Varnex v2", MB_INFORMATION), ID_OK);
    EXPECT_EQ(ui.MessageBox("sure?", "Q", MB_QUESTION_YESNO), ID_NO);
    EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_CANCEL);
    std::string text = "old";
    EXPECT_FALSE(ui.InputText("c", "p", text));
    EXPECT_EQ(text, "old");
    const std::string out = term.Output();
    EXPECT_NE(out.find("Varnex v2: done\n"), std::string::npos);
    EXPECT_NE(out.find("Q: sure?\n"), std::string::npos);
}

TEST(TerminalInterface, AssumeYesRetriesThreeTimesInARowThenCancels) {
    FakeTerminal term("");
    TerminalInterface ui(true, term.in(), term.out(), true);
    EXPECT_EQ(ui.MessageBox("sure?", "Q", MB_QUESTION_YESNO), ID_YES);
    for (int i = 0; i < TerminalInterface::kMaxRetriesInRow; ++i)
        EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_RETRY) << i;
    EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_CANCEL);
    // A new loop starts afresh, and so does one after another box.
    EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_RETRY);
    EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_RETRY);
    EXPECT_EQ(ui.MessageBox("note", "I", MB_INFORMATION), ID_OK);
    for (int i = 0; i < TerminalInterface::kMaxRetriesInRow; ++i)
        EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_RETRY) << i;
    std::string text = "Plugin";
    EXPECT_TRUE(ui.InputText("c", "p", text));
    EXPECT_EQ(text, "Plugin");
}

TEST(TerminalInterface, AsksOnTheTerminal) {
    FakeTerminal term("maybe\n  Y\nr\n\nabc\n\n");
    TerminalInterface ui(false, term.in(), term.out(), true);
    EXPECT_EQ(ui.MessageBox("first\r\nsecond", "Q", MB_QUESTION_YESNO), ID_YES);
    EXPECT_EQ(ui.MessageBox("locked", "E", MB_ERROR_RETRYCANCEL), ID_RETRY);
    std::string text = "old";
    EXPECT_TRUE(ui.InputText("c", "p", text));  // an empty line keeps the offered text
    EXPECT_EQ(text, "old");
    EXPECT_TRUE(ui.InputText("c", "p", text));
    EXPECT_EQ(text, "abc");
    // Input ends: the negative answer.
    EXPECT_EQ(ui.MessageBox("again?", "Q", MB_QUESTION_YESNO), ID_NO);
    EXPECT_FALSE(ui.InputText("c", "p", text));
    EXPECT_EQ(text, "abc");
    EXPECT_NE(term.Output().find("Q: first\nsecond\n"), std::string::npos);
}

TEST(UserInterface, ScriptedAnswersThenTheDefaultIsBack) {
    {
        ScriptedInterface scripted;
        scripted.QueueAnswer(ID_YES);
        EXPECT_EQ(UI().MessageBox("t", "c", MB_QUESTION_YESNO), ID_YES);
        EXPECT_EQ(UI().MessageBox("t2", "c2", MB_ERROR_RETRYCANCEL), ID_CANCEL);
        ASSERT_EQ(scripted.boxes.size(), 2u);
        EXPECT_EQ(scripted.boxes[1].text, "t2");
        EXPECT_EQ(scripted.boxes[1].flags, unsigned{MB_ERROR_RETRYCANCEL});
        EXPECT_EQ(scripted.unanswered, 1);
    }
    // The built-in default never waits for anyone.
    EXPECT_EQ(UI().MessageBox("t", "c", MB_QUESTION_YESNO), ID_NO);
}

}  // namespace
