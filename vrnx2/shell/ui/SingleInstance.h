#pragma once
// One running window program per user and settings store. The first start holds a lock
// file and listens on a local socket; a later start finds the lock held, asks the first to
// come forward and ends.

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

namespace vrnx2 {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // "Varnex v2" and the user's name; a store chosen with VRNX2_SETTINGS adds a hash of its
    // path, so programs on different stores do not meet. A full path: in $XDG_RUNTIME_DIR
    // when there is one, else in the temporary folder.
    static QString ServerName();

    // True when this is the first instance; it then answers later starts.
    bool Acquire();
    // Asks the running instance to come forward; false when it could not be reached within
    // `timeoutMs` (it may still be starting or be ending).
    static bool ActivateRunning(int timeoutMs = 5000);

signals:
    void activateRequested();

private:
    void OnConnection();

    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

// Restores a minimised window (to its previous normal or maximised state) and brings it to
// the front.
void BringToFront(QWidget* window);

}  // namespace vrnx2
