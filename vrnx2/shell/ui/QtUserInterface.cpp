#include "vrnx2/shell/ui/QtUserInterface.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/shell/ui/WaitNotifier.h"

namespace vrnx2 {

namespace {

// The answers a box offers, default first, by the button bits of its flags.
std::vector<int> AnswersOf(unsigned flags) {
    switch (flags & 0x0F) {
        case 1:
            return {ID_OK, ID_CANCEL};
        case 2:
            return {3 /* abort */, ID_RETRY, 5 /* ignore */};
        case 3:
            return {ID_YES, ID_NO, ID_CANCEL};
        case 4:
            return {ID_YES, ID_NO};
        case 5:
            return {ID_RETRY, ID_CANCEL};
        default:
            return {ID_OK};
    }
}

std::string EnvironmentAnswer() {
    const char* value = std::getenv(kAutoAnswerVariable);
    return value ? value : "";
}

QString WindowsText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

// The box's owner: the window the person is working in.
QWidget* Owner() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

void SetButtonText(QMessageBox& box, QMessageBox::StandardButton which, const char* id) {
    QString text = MsgText(id);
    if (QAbstractButton* button = box.button(which); button && !text.isEmpty())
        button->setText(text);
}

void CentreOnScreen(QWidget& w) {
    QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = w.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    w.move(frame.topLeft());
}

}  // namespace

std::optional<int> AutoAnswer(const std::string& answer, unsigned flags) {
    if (answer.empty()) return std::nullopt;
    const std::vector<int> offered = AnswersOf(flags);
    static const std::map<std::string, int> kAnswers = {
        {"ok", ID_OK}, {"yes", ID_YES}, {"no", ID_NO}, {"retry", ID_RETRY}, {"cancel", ID_CANCEL}};
    const auto named = kAnswers.find(answer);
    const int wanted = named == kAnswers.end() ? 0 : named->second;
    for (int a : offered) {
        if (a == wanted) return a;
    }
    unsigned defaultIndex = (flags >> 8) & 0x3;
    return defaultIndex < offered.size() ? offered[defaultIndex] : offered.front();
}

int QtUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
    if (auto answer = AutoAnswer(EnvironmentAnswer(), flags)) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return *answer;
    }

    QMessageBox box(Owner());
    box.setTextFormat(Qt::PlainText);  // paths and names are never markup
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(WindowsText(text));
    // The icon bits of the flags: 0x10 error, 0x20 question, 0x30 warning, 0x40 information.
    static const QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Critical,
                                               QMessageBox::Question, QMessageBox::Warning,
                                               QMessageBox::Information};
    const unsigned icon = (flags & 0xF0) >> 4;
    if (icon > 0 && icon < std::size(kIcons)) box.setIcon(kIcons[icon]);

    struct Pair {
        int id;
        QMessageBox::StandardButton button;
    };
    static const Pair kButtons[] = {
        {ID_OK, QMessageBox::Ok}, {ID_CANCEL, QMessageBox::Cancel},
        {3, QMessageBox::Abort},  {ID_RETRY, QMessageBox::Retry},
        {5, QMessageBox::Ignore}, {ID_YES, QMessageBox::Yes},
        {ID_NO, QMessageBox::No},
    };
    const std::vector<int> offered = AnswersOf(flags);
    QMessageBox::StandardButtons buttons;
    for (int id : offered) {
        for (const Pair& p : kButtons) {
            if (p.id == id) buttons |= p.button;
        }
    }
    box.setStandardButtons(buttons);
    unsigned defaultIndex = (flags >> 8) & 0x3;
    int defaultId = defaultIndex < offered.size() ? offered[defaultIndex] : offered.front();
    for (const Pair& p : kButtons) {
        if (p.id == defaultId) box.setDefaultButton(p.button);
    }
    // The program's language, not the translations Qt may carry for the locale.
    SetButtonText(box, QMessageBox::Ok, kMsgOK);
    SetButtonText(box, QMessageBox::Cancel, kMsgCancel);
    SetButtonText(box, QMessageBox::Yes, kMsgYes);
    SetButtonText(box, QMessageBox::No, kMsgNo);
    SetButtonText(box, QMessageBox::Retry, kMsgRetry);

    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    box.raise();
    box.activateWindow();
    const int clicked = box.exec();
    for (const Pair& p : kButtons) {
        if (p.button == clicked) return p.id;
    }
    // Closed without a button: the cancelling answer the box offers, else its last one.
    for (int id : offered) {
        if (id == ID_CANCEL) return id;
    }
    return offered.back();
}

bool QtUserInterface::InputText(const std::string& caption, const std::string& prompt,
                                std::string& text) {
    if (auto answer = AutoAnswer(EnvironmentAnswer(), 1)) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), prompt.c_str());
        return *answer == ID_OK;
    }

    QDialog dialog(Owner());
    dialog.setObjectName(QStringLiteral("InputText_Dialog"));
    dialog.setWindowTitle(QString::fromStdString(caption));
    dialog.setModal(true);
    ApplyWindowFonts(&dialog);

    auto* label = new QLabel(QString::fromStdString(prompt), &dialog);
    label->setObjectName(QStringLiteral("Prompt"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(QString::fromStdString(text), &dialog);
    edit->setObjectName(QStringLiteral("Edit"));
    edit->setMaxLength(255);
    label->setBuddy(edit);

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(MsgText(kMsgOK), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(MsgText(kMsgCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog border
    dialog.setMinimumWidth(320);

    dialog.adjustSize();
    CentreOnScreen(dialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    text = edit->text().toStdString();
    return true;
}

bool QtUserInterface::BrowseForFolder(const std::string& title, std::string& path, bool extended) {
    if (auto answer = AutoAnswer(EnvironmentAnswer(), 1)) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), path.c_str());
        return *answer == ID_OK;
    }

    QFileDialog dialog(Owner(), QString::fromStdString(title), QString::fromStdString(path));
    dialog.setObjectName(QStringLiteral("BrowseForFolder_Dialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The extended picker is Qt's own resizable dialog, which always has a path box.
    dialog.setOption(QFileDialog::DontUseNativeDialog, extended);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    path = chosen.front().toStdString();
    return true;
}

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
            return true;
        default:
            return false;
    }
}

bool Marked(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (w->property(kPassesWait).toBool()) return w->isEnabled();
    return false;
}

// Input for a marked widget: sent to it, or to its window at a point over it (the window
// hands it on to the widget, where this is asked again).
bool PassesWait(QObject* watched, QEvent* event) {
    if (auto* widget = qobject_cast<QWidget*>(watched)) return Marked(widget);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return Marked(QApplication::widgetAt(
                static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
        default:
            return false;
    }
}

// Installed while pending events are let through during a wait.
class InputBlocker : public QObject {
public:
    // Windows asked to close meanwhile (the window manager, a terminate signal): asked
    // again once this slice is over, so they close when the wait has ended, as they would
    // have if the events had waited too.
    void AskAgain() {
        for (const QPointer<QWidget>& w : closing_)
            if (w)
                QMetaObject::invokeMethod(
                    w.data(), [w] { w->close(); }, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A modal window opened meanwhile (a question) works as usual; Qt itself keeps its
        // input from the windows behind.
        if (QApplication::activeModalWidget()) return false;
        if (event->type() == QEvent::Close) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget || !widget->isWindow()) return false;
            if (std::find(closing_.begin(), closing_.end(), widget) == closing_.end())
                closing_.emplace_back(widget);
            event->ignore();
            return true;
        }
        if (!IsInput(event->type())) return false;
        if (PassesWait(watched, event)) return false;
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            // Asked after this slice: the confirmation is not opened inside the filter.
            QMetaObject::invokeMethod(
                &WaitNotifier::Instance(), [] { emit WaitNotifier::Instance().stopAsked(); },
                Qt::QueuedConnection);
        }
        // An accepted shortcut override keeps the key from running an action's shortcut.
        event->accept();
        return true;
    }

private:
    std::vector<QPointer<QWidget>> closing_;
};

}  // namespace

void QtUserInterface::ProcessMessages() {
    if (!qApp) return;
    static int depth = 0;
    InputBlocker blocker;
    if (depth++ == 0) qApp->installEventFilter(&blocker);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (--depth == 0) qApp->removeEventFilter(&blocker);
    blocker.AskAgain();
}

void QtUserInterface::WatchLog(const std::string& logFile) {
    if (!qApp) return;
    // The pointer tells why clicks do nothing while the builder runs.
    if (!logFile.empty() && !watching_)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (logFile.empty() && watching_)
        QApplication::restoreOverrideCursor();
    watching_ = !logFile.empty();
    emit WaitNotifier::Instance().logWatched(QString::fromStdString(logFile));
}

bool QtUserInterface::StopRequested() {
    return WaitNotifier::Instance().StopRequested();
}

void QtUserInterface::BeginProgress(const std::string& title, uint64_t total) {
    if (!qApp) return;
    delete progress_;
    progress_ = new QProgressDialog(QString::fromStdString(title), MsgText(kMsgCancel), 0, 1000,
                                    QApplication::activeWindow());
    progress_->setObjectName(QStringLiteral("ImageProgress"));
    progress_->setWindowTitle(QString::fromStdString(title));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setMinimumWidth(480);
    progressTotal_ = total;
    progressShownAt_ = 0;
    progress_->setValue(0);
}

bool QtUserInterface::Progress(const std::string& item, uint64_t done) {
    if (!progress_) return true;
    using namespace std::chrono;
    const int64_t now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // Redrawing for every block would cost more than the unpack itself.
    if (now - progressShownAt_ >= 50 || item.empty()) {
        progressShownAt_ = now;
        const int permille =
            progressTotal_
                ? static_cast<int>(std::min<uint64_t>(1000, done * 1000 / progressTotal_))
                : 0;
        if (!item.empty()) progress_->setLabelText(QString::fromStdString(item));
        // A modal progress window lets events through here, the Cancel click among them.
        progress_->setValue(permille);
        QCoreApplication::processEvents();
    }
    return !progress_->wasCanceled();
}

void QtUserInterface::EndProgress(bool) {
    delete progress_;
    progress_ = nullptr;
}

void QtUserInterface::SetBusy(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
    }
}

}  // namespace vrnx2
