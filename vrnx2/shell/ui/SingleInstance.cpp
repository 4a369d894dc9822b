#include "vrnx2/shell/ui/SingleInstance.h"

#include <pwd.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QWidget>

namespace vrnx2 {

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");

QString UserName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(getuid());
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    // The lock goes last: a start that sees it free must also find the socket gone.
    lock_.reset();
}

QString SingleInstance::ServerName() {
    QString name = QStringLiteral("Varnex v2-") + UserName();
    const QString store = qEnvironmentVariable("VRNX2_SETTINGS");
    if (!store.isEmpty()) {
        const QByteArray hash = QCryptographicHash::hash(
            QFileInfo(store).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
        name += QLatin1Char('-') + QString::fromLatin1(hash.toHex().left(12));
    }
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::tempPath();
    return QDir(dir).filePath(name);
}

bool SingleInstance::Acquire() {
    const QString name = ServerName();
    lock_ = std::make_unique<QLockFile>(name + QStringLiteral(".lock"));
    // Only a holder that no longer runs makes the lock stale, however long it has been held.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        const bool heldByOther = lock_->error() == QLockFile::LockFailedError;
        lock_.reset();
        if (heldByOther) return false;
        // A lock that cannot be made at all (folder not writable, a file of someone else in
        // the way) must not keep the program from starting.
        qWarning("vrnx2: cannot create %s.lock; not guarding against a second start",
                 qPrintable(name));
        return true;
    }
    // A socket left by an instance that crashed is in the way of listening.
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    if (!server_->listen(name)) {
        // Still the only instance; later starts just cannot bring it forward.
        qWarning("vrnx2: cannot listen on %s: %s", qPrintable(name),
                 qPrintable(server_->errorString()));
    }
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kActivate.size()) socket->abort();
                return;
            }
            if (socket->readLine() == kActivate) {
                socket->write(kDone);
                socket->flush();
                emit activateRequested();
            }
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}

bool SingleInstance::ActivateRunning(int timeoutMs) {
    const QString name = ServerName();
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(250)) {
            socket.write(kActivate);
            socket.waitForBytesWritten(1000);
            // Wait for the reply, so the first instance has acted before this one ends.
            while (!socket.canReadLine() && socket.waitForReadyRead(1000)) {
            }
            return socket.canReadLine() && socket.readLine() == kDone;
        }
        // The first instance may hold the lock but not listen yet.
        QThread::msleep(100);
    }
    return false;
}

void BringToFront(QWidget* window) {
    if (!window) return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace vrnx2
