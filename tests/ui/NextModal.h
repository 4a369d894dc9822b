#pragma once
// Answering the next modal window the code under test opens, from inside the event loop that
// window runs (exec() returns only once `act` has closed it).

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace nextmodal {

// Waits for a modal window's Show, then calls `act` once that window's loop runs.
class Watcher : public QObject {
public:
    explicit Watcher(std::function<void(QWidget*)> act) : act_(std::move(act)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && w && w->isWindow() && w->isModal()) {
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, w, [w, act = act_] { act(w); });
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(QWidget*)> act_;
};

}  // namespace nextmodal

// Calls `act` on the next modal window once it is shown.
inline void OnNextModal(std::function<void(QWidget*)> act) {
    new nextmodal::Watcher(std::move(act));
}
