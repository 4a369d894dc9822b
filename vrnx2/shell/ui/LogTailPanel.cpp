#include "vrnx2/shell/ui/LogTailPanel.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "vrnx2/build/LogTail.h"
#include "vrnx2/controls/ui/QtText.h"

namespace vrnx2 {

TLogTailPanel::TLogTailPanel(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("LogTail"));
    setReadOnly(true);
    setFocusPolicy(Qt::NoFocus);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hide();
    // The log is re-read on a timer rather than on every slice of the wait.
    timer_ = new QTimer(this);
    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, &TLogTailPanel::Refresh);
}

void TLogTailPanel::Watch(const std::string& logFile) {
    if (logFile.empty()) {
        timer_->stop();
        Refresh();
        watched_.clear();
        return;
    }
    watched_ = logFile;
    clear();
    Refresh();
    timer_->start();
}

void TLogTailPanel::Refresh() {
    if (watched_.empty()) return;
    QStringList lines;
    for (const std::string& line : ReadLogTail(watched_, kLines)) lines << Qs(line);
    const QString text = lines.join(QLatin1Char('\n'));
    if (text == toPlainText()) return;
    setPlainText(text);
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

void TLogTailPanel::FitLines() {
    const QFontMetrics metrics(font());
    const int margins = 2 * (frameWidth() + static_cast<int>(document()->documentMargin()));
    setFixedHeight(kLines * metrics.lineSpacing() + margins);
}

}  // namespace vrnx2
