#include "platform/InstanceServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ie {

namespace {

const QByteArray kRaise = QByteArrayLiteral("raise\n");
constexpr int kWaitMs = 1000;
// A line longer than any request: whoever sends it is not a copy of this program.
constexpr qsizetype kMaxLine = 256;

// As QLocalServer names its sockets: a full path as it is, a bare name in the temporary folder.
QByteArray NativePath(const QString& name) {
    const QString path = name.startsWith(QLatin1Char('/'))
                             ? name
                             : QDir::cleanPath(QDir::tempPath()) + QLatin1Char('/') + name;
    return QFile::encodeName(path);
}

// The address of path; false when the name is too long for a socket address.
bool Address(const QByteArray& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int rc = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (rc > 0)
            return (p.revents & events) != 0;
        if (rc == 0 || errno != EINTR)
            return false;
    }
}

}  // namespace

QString InstanceServer::pathIn(const QString& runtimeFolder) {
    return QDir(runtimeFolder).filePath(QStringLiteral("instance.socket"));
}

InstanceServer::InstanceServer(const QString& name, QObject* parent)
    : QObject(parent), path_(name) {}

InstanceServer::~InstanceServer() {
    // The notifiers go before the sockets they watch are closed.
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        delete it->notifier;
        ::close(it.key());
    }
    if (listener_ >= 0) {
        delete notifier_;
        ::close(listener_);
        ::unlink(NativePath(path_).constData());
    }
}

bool InstanceServer::listen() {
    if (listener_ >= 0)
        return true;
    const QByteArray path = NativePath(path_);
    // Made under a name of its own and made owner-only before it is moved into place: only the
    // user's own processes can ever connect, and a socket a killed copy left is replaced in one
    // step.
    const QByteArray fresh = path + ".new" + QByteArray::number(::getpid());
    sockaddr_un addr{};
    sockaddr_un target{};
    if (!Address(fresh, addr) || !Address(path, target))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(fresh.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    if (::chmod(fresh.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 16) != 0 ||
        ::rename(fresh.constData(), path.constData()) != 0) {
        ::unlink(fresh.constData());
        ::close(fd);
        return false;
    }
    listener_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InstanceServer::acceptAll);
    return true;
}

void InstanceServer::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;  // none waiting any more (or the connection went away first)
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        clients_.insert(fd, Client{notifier, {}});
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { readFrom(fd); });
    }
}

void InstanceServer::readFrom(int fd) {
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            drop(fd);  // closed by the other side, or failed
            return;
        }
        auto it = clients_.find(fd);
        if (it == clients_.end())
            return;
        it->pending.append(buffer, n);
        qsizetype end = 0;
        int raises = 0;
        while ((end = it->pending.indexOf('\n')) >= 0) {
            if (it->pending.left(end + 1) == kRaise)
                ++raises;
            it->pending.remove(0, end + 1);
        }
        const bool tooLong = it->pending.size() > kMaxLine;
        if (tooLong)
            drop(fd);
        // Emitted last: a receiver may show a window and run events before this returns.
        for (int i = 0; i < raises; ++i)
            Q_EMIT raiseRequested();
        if (tooLong)
            return;
    }
}

void InstanceServer::drop(int fd) {
    const auto it = clients_.find(fd);
    if (it == clients_.end())
        return;
    // Deleted later: this may run inside the notifier's own signal.
    it->notifier->setEnabled(false);
    it->notifier->deleteLater();
    ::close(fd);
    clients_.erase(it);
}

bool InstanceServer::askToRaise(const QString& name) {
    sockaddr_un addr{};
    if (!Address(NativePath(name), addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(kWaitMs);
    bool connected = false;
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            connected = true;
            break;
        }
        // A full queue of waiting connections: the running copy is busy for a moment.
        if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired())
            break;
        ::usleep(10000);
    }
    qsizetype sent = 0;
    while (connected && sent < kRaise.size()) {
        const ssize_t n = ::send(fd, kRaise.constData() + sent,
                                 static_cast<size_t>(kRaise.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
                   WaitFor(fd, POLLOUT, deadline)) {
            continue;
        } else {
            break;
        }
    }
    ::close(fd);
    return sent == kRaise.size();
}

}  // namespace ie
