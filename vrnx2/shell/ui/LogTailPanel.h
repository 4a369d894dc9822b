#pragma once
// The panel under the profile list that shows the last lines of the log the builder writes
// while a build waits for it. The window decides when it shows and how it makes room.

#include <QPlainTextEdit>
#include <string>

class QTimer;

namespace vrnx2 {

class TLogTailPanel : public QPlainTextEdit {
public:
    static constexpr int kLines = 4;  // enough to follow the builder

    explicit TLogTailPanel(QWidget* parent);

    // Follows `logFile` from now on; an empty name ends following after a last read, so the
    // panel keeps how the build ended.
    void Watch(const std::string& logFile);
    bool Watching() const { return !watched_.empty(); }
    void Refresh();
    // Fixes the height at kLines lines of the current font.
    void FitLines();

private:
    QTimer* timer_ = nullptr;
    std::string watched_;
};

}  // namespace vrnx2
