#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace ie {

// The running copy's ear for a second start: a local socket, private to the user, that a second
// copy connects to in order to ask for the running window to be brought to the front. It sits
// beside the single-instance lock and is opened only by the copy that holds it.
//
// A plain Unix socket watched by the event loop: QLocalServer would bring Qt Network and the
// libraries it needs (Kerberos, proxy resolution) into every start for this one line.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    // The socket's full path in the user's own run-time folder (beside the lock), where no other
    // user can make the name first; a bare name would be a file in the shared temporary folder.
    static QString pathIn(const QString& runtimeFolder);

    explicit InstanceServer(const QString& name, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts listening; a socket left behind by a copy that was killed is replaced (the caller
    // holds the lock, so no live copy owns it). False when the socket cannot be made.
    bool listen();

    // Asks the copy listening on name to come to the front. False when none answered.
    static bool askToRaise(const QString& name);

Q_SIGNALS:
    void raiseRequested();

private:
    void acceptAll();
    void readFrom(int fd);
    void drop(int fd);

    QString path_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    // Each connection's notifier and the part of a line read so far.
    struct Client {
        QSocketNotifier* notifier = nullptr;
        QByteArray pending;
    };
    QHash<int, Client> clients_;
};

}  // namespace ie
