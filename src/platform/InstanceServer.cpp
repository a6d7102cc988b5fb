#include "platform/InstanceServer.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace ie {

namespace {

const QByteArray kRaise = QByteArrayLiteral("raise\n");
constexpr int kWaitMs = 1000;

}  // namespace

QString InstanceServer::pathIn(const QString& runtimeFolder) {
    return QDir(runtimeFolder).filePath(QStringLiteral("instance.socket"));
}

InstanceServer::InstanceServer(const QString& name, QObject* parent)
    : QObject(parent), name_(name), server_(new QLocalServer(this)) {
    // Only the user's own processes may knock.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == kRaise)
                        Q_EMIT raiseRequested();
                }
            });
        }
    });
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen() {
    if (server_->isListening())
        return true;
    if (server_->listen(name_))
        return true;
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

bool InstanceServer::askToRaise(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace ie
