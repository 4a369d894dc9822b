#pragma once

#include <QObject>
#include <QString>

namespace vrnx2 {

// Tells the windows which log the program being waited for writes.
class WaitNotifier : public QObject {
    Q_OBJECT
public:
    static WaitNotifier& Instance();

signals:
    // An empty name: the wait has ended.
    void logWatched(const QString& logFile);
};

}  // namespace vrnx2
