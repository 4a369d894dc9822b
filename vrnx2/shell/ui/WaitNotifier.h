#pragma once

#include <QObject>
#include <QString>

namespace vrnx2 {

// Tells the windows which log the program being waited for writes, and carries a stop of
// the build from the window to the wait.
class WaitNotifier : public QObject {
    Q_OBJECT
public:
    static WaitNotifier& Instance();

    // The person confirmed Stop: the program waited for is ended (UI().StopRequested()).
    void RequestStop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }
    // A new build starts unstopped.
    void ResetStop() { stopRequested_ = false; }

signals:
    // An empty name: the wait has ended.
    void logWatched(const QString& logFile);
    // Escape was pressed in a window during the wait (the input itself is dropped).
    void stopAsked();

private:
    bool stopRequested_ = false;
};

}  // namespace vrnx2
