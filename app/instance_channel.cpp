#include "app/instance_channel.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <optional>

#include "app/native_path.h"

namespace {

// "CVJ2": the request is a header (magic, file count, payload size) and the payload, each file
// as its length and its bytes; all numbers big-endian 32-bit.
constexpr quint32 kMagic = 0x43564A32;
constexpr qsizetype kHeaderBytes = 12;
constexpr char kAcknowledge = 'K';
constexpr char kDeclined = 'D';
constexpr int kWatchdogMs = 2000;
constexpr int kAcceptPauseMs = 200;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<uid_t> PeerUid(int fd) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return std::nullopt;
    return credentials.uid;
}

bool FillAddress(const QByteArray& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

enum class Probe { Answers, Refuses, Absent, Unknown };

// Whether a program listens at `path`. Only a refused connection proves that nobody does; a
// full backlog (EAGAIN) is a busy program, not a dead one.
Probe ProbeSocket(const QByteArray& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return Probe::Unknown;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Probe::Unknown;
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = result == 0 ? 0 : errno;
    ::close(fd);
    if (result == 0 || error == EAGAIN || error == EINPROGRESS) return Probe::Answers;
    if (error == ECONNREFUSED) return Probe::Refuses;
    if (error == ENOENT) return Probe::Absent;
    return Probe::Unknown;
}

void PutNumber(QByteArray& out, quint32 value) {
    const quint32 big = qToBigEndian(value);
    out.append(reinterpret_cast<const char*>(&big), sizeof big);
}

quint32 NumberAt(const QByteArray& in, qsizetype offset) {
    return qFromBigEndian<quint32>(in.constData() + offset);
}

}  // namespace

struct CInstanceChannel::Connection {
    QLocalSocket* socket = nullptr;
    QTimer* deadline = nullptr;
    bool answered = false;  // one request per connection
};

QString CInstanceChannel::RuntimeFolder(QString* error) {
    const uid_t self = ::getuid();
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) {
        struct stat info {};
        if (::stat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_uid == self && (info.st_mode & 077) == 0) {
            return QFile::decodeName(runtime);
        }
    }
    // No session folder: one of our own in the temporary folder, which anyone may write to, so
    // what is found there is trusted only when it is ours, a real folder and closed to others.
    const QString folder =
        QDir::tempPath() + QStringLiteral("/caelvane-%1").arg(static_cast<qulonglong>(self));
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = QStringLiteral("cannot make %1: %2").arg(folder, SystemError(errno));
        return {};
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        if (error) *error = QStringLiteral("cannot use %1: %2").arg(folder, SystemError(errno));
        return {};
    }
    if (!S_ISDIR(info.st_mode)) {
        if (error) *error = QStringLiteral("%1 is not a folder").arg(folder);
        return {};
    }
    if (info.st_uid != self) {
        if (error) {
            *error = QStringLiteral("%1 belongs to user %2")
                         .arg(folder)
                         .arg(static_cast<qulonglong>(info.st_uid));
        }
        return {};
    }
    if ((info.st_mode & 077) != 0) {
        if (error) {
            *error = QStringLiteral("%1 may be entered by others (mode %2)")
                         .arg(folder)
                         .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
        }
        return {};
    }
    return folder;
}

QString CInstanceChannel::SessionTag() {
    QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = qgetenv("DISPLAY");
    if (display.isEmpty()) display = "none";
    QString tag;
    for (const char c : display.left(40)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        tag.append(plain ? QLatin1Char(c) : QLatin1Char('_'));
    }
    // Two different displays could clean to the same text: the digest keeps them apart, and
    // gives a start under another home (another profile) its own program.
    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(display);
    digest.addData(QByteArrayView("\0", 1));
    digest.addData(qgetenv("HOME"));
    return tag + QLatin1Char('-') + QString::fromLatin1(digest.result().toHex().left(12));
}

QString CInstanceChannel::DefaultName(QString* error) {
    const QString folder = RuntimeFolder(error);
    if (folder.isEmpty()) return {};
    return folder + QStringLiteral("/caelvane-") + SessionTag();
}

QString CInstanceChannel::SocketPath(const QString& name) {
    if (name.contains(QLatin1Char('/'))) return name;
    const QString folder = RuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name;
}

bool CInstanceChannel::HandOver(const QString& name, const QStringList& files, int timeoutMs,
                                QString* refusal, uid_t trustedUid) {
    QList<QByteArray> native;
    for (const QString& file : files) native.append(QFile::encodeName(file));
    return HandOver(name, native, timeoutMs, refusal, trustedUid);
}

bool CInstanceChannel::HandOver(const QString& name, const QList<QByteArray>& files, int timeoutMs,
                                QString* refusal, uid_t trustedUid) {
    auto refuse = [refusal](const QString& why) {
        if (refusal) *refusal = why;
        return false;
    };
    if (files.isEmpty() || files.size() > static_cast<qsizetype>(kMaxFiles)) return false;
    const QString path = SocketPath(name);
    if (path.isEmpty()) return false;
    const QByteArray nativePath = QFile::encodeName(path);
    // Nothing is said to a socket that someone else made: it could be theirs to listen on.
    struct stat info {};
    if (::lstat(nativePath.constData(), &info) != 0) return false;  // nobody has listened here
    if (!S_ISSOCK(info.st_mode)) return refuse(QStringLiteral("%1 is not a socket").arg(path));
    if (info.st_uid != trustedUid) {
        return refuse(QStringLiteral("%1 belongs to user %2")
                          .arg(path)
                          .arg(static_cast<qulonglong>(info.st_uid)));
    }

    QByteArray payload;
    for (const QByteArray& file : files) {
        const QByteArray absolute = CanonicalNativePath(file);
        if (absolute.size() > static_cast<qsizetype>(kMaxPathBytes) || absolute.contains('\0')) {
            return false;  // not a name the running program would take: open it here
        }
        PutNumber(payload, static_cast<quint32>(absolute.size()));
        payload.append(absolute);
    }
    QByteArray request;
    PutNumber(request, kMagic);
    PutNumber(request, static_cast<quint32>(files.size()));
    PutNumber(request, static_cast<quint32>(payload.size()));
    request.append(payload);

    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) return false;
    const std::optional<uid_t> peer = PeerUid(static_cast<int>(socket.socketDescriptor()));
    if (!peer || *peer != trustedUid) {
        socket.abort();
        return refuse(peer ? QStringLiteral("the program listening on %1 belongs to user %2")
                                 .arg(path)
                                 .arg(static_cast<qulonglong>(*peer))
                           : QStringLiteral("cannot tell who listens on %1").arg(path));
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The running program answers once it has queued the files for opening.
    QElapsedTimer clock;
    clock.start();
    while (socket.bytesAvailable() < 1) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAcknowledge;
}

CInstanceChannel::CInstanceChannel(QObject* parent, uid_t trustedUid)
    : QObject(parent),
      m_trustedUid(trustedUid),
      m_watchdog(new QTimer(this)),
      m_acceptPause(new QTimer(this)) {
    m_watchdog->setInterval(kWatchdogMs);
    connect(m_watchdog, &QTimer::timeout, this, &CInstanceChannel::CheckStillListening);
    m_acceptPause->setSingleShot(true);
    m_acceptPause->setInterval(kAcceptPauseMs);
    connect(m_acceptPause, &QTimer::timeout, this, [this] {
        if (m_notifier) m_notifier->setEnabled(true);
    });
}

CInstanceChannel::~CInstanceChannel() {
    for (const auto& connection : m_connections) {
        connection->socket->disconnect(this);
        delete connection->socket;
    }
    m_connections.clear();
    StopListening();
}

bool CInstanceChannel::Listen(const QString& name, QString* error) {
    StopListening();
    m_name = name;
    m_path = QFile::encodeName(SocketPath(name));
    if (m_path.isEmpty()) {
        if (error) *error = QStringLiteral("no folder of ours for the socket %1").arg(name);
        return false;
    }
    if (!ListenAt(error)) return false;
    m_watchdog->start();
    return true;
}

bool CInstanceChannel::ListenAt(QString* error) {
    const QString shown = QFile::decodeName(m_path);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    sockaddr_un address;
    if (!FillAddress(m_path, address)) return fail(QStringLiteral("%1 is too long").arg(shown));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return fail(QStringLiteral("no socket: %1").arg(SystemError(errno)));
    // bind() never replaces a file, so a name in use stays with whoever has it.
    const mode_t mask = ::umask(0177);
    int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int bindError = errno;
    if (bound != 0 && bindError == EADDRINUSE) {
        struct stat info {};
        const bool ours = ::lstat(m_path.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
                          info.st_uid == ::getuid();
        // Only a socket of ours that refuses connections is left over from a program that died.
        if (ours && ProbeSocket(m_path) == Probe::Refuses && ::unlink(m_path.constData()) == 0) {
            bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            bindError = errno;
        } else if (!ours) {
            ::umask(mask);
            ::close(fd);
            return fail(QStringLiteral("%1 is in use and not a socket of ours").arg(shown));
        }
    }
    ::umask(mask);
    if (bound != 0) {
        ::close(fd);
        return fail(
            bindError == EADDRINUSE
                ? QStringLiteral("another program answers on %1").arg(shown)
                : QStringLiteral("cannot listen on %1: %2").arg(shown, SystemError(bindError)));
    }
    if (::listen(fd, 64) != 0) {
        const int listenError = errno;
        ::close(fd);
        ::unlink(m_path.constData());
        return fail(QStringLiteral("cannot listen on %1: %2").arg(shown, SystemError(listenError)));
    }
    struct stat info {};
    if (::stat(m_path.constData(), &info) == 0) {
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CInstanceChannel::OnAcceptReady);
    return true;
}

void CInstanceChannel::StopListening() {
    if (m_listenFd < 0) return;
    m_acceptPause->stop();
    // The name goes only while it is still the socket this program made.
    struct stat info {};
    if (::stat(m_path.constData(), &info) == 0 && info.st_dev == m_device &&
        info.st_ino == m_inode) {
        ::unlink(m_path.constData());
    }
    CloseListener();
}

void CInstanceChannel::CloseListener() {
    delete m_notifier;
    m_notifier = nullptr;
    ::close(m_listenFd);
    m_listenFd = -1;
}

void CInstanceChannel::CheckStillListening() {
    if (m_listenFd >= 0) {
        struct stat info {};
        if (::stat(m_path.constData(), &info) == 0 && info.st_dev == m_device &&
            info.st_ino == m_inode) {
            return;
        }
        // The name was removed under us (a cleaner of the temporary folder): nobody could reach
        // this program any more.
        CloseListener();
    }
    ListenAt(nullptr);
}

void CInstanceChannel::OnAcceptReady() {
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK) return;
            if (error == EINTR || error == ECONNABORTED || error == EPROTO) continue;
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
                // Out of descriptors for now: the connection waits in the backlog; try again
                // shortly instead of spinning on it or giving up the name.
                m_notifier->setEnabled(false);
                m_acceptPause->start();
                return;
            }
            // The listening socket itself failed: listen afresh.
            CloseListener();
            ListenAt(nullptr);
            return;
        }
        const std::optional<uid_t> peer = PeerUid(fd);
        if (!peer || *peer != m_trustedUid ||
            static_cast<int>(m_connections.size()) >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->socket = new QLocalSocket;
        if (!connection->socket->setSocketDescriptor(fd)) {
            delete connection->socket;
            ::close(fd);
            continue;
        }
        QLocalSocket* socket = connection->socket;
        // Never more in memory than one whole request.
        socket->setReadBufferSize(kHeaderBytes + kMaxPayloadBytes + 1);
        connection->deadline = new QTimer(socket);
        connection->deadline->setSingleShot(true);
        connect(connection->deadline, &QTimer::timeout, this, [this, socket] { Drop(socket); });
        connection->deadline->start(kConnectionTimeLimitMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            for (const auto& each : m_connections) {
                if (each->socket == socket) {
                    Serve(*each);
                    return;
                }
            }
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); });
        Connection& added = *connection;
        m_connections.push_back(std::move(connection));
        if (socket->bytesAvailable() > 0) Serve(added);
    }
}

void CInstanceChannel::Drop(QLocalSocket* socket) {
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if ((*it)->socket != socket) continue;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        m_connections.erase(it);
        return;
    }
}

void CInstanceChannel::Serve(Connection& connection) {
    QLocalSocket* socket = connection.socket;
    if (connection.answered) {
        Drop(socket);
        return;
    }
    const qint64 available = socket->bytesAvailable();
    if (available < kHeaderBytes) return;
    const QByteArray header = socket->peek(kHeaderBytes);
    const quint32 count = NumberAt(header, 4);
    const quint32 size = NumberAt(header, 8);
    // Every size is checked before anything is made from it.
    if (NumberAt(header, 0) != kMagic || count == 0 || count > kMaxFiles ||
        size > kMaxPayloadBytes || size < count * 5 || available > kHeaderBytes + size) {
        Drop(socket);
        return;
    }
    if (available < kHeaderBytes + size) return;  // the rest has not arrived yet
    const QByteArray request = socket->read(kHeaderBytes + size);
    QList<QByteArray> files;
    qsizetype offset = kHeaderBytes;
    for (quint32 i = 0; i < count; ++i) {
        if (request.size() - offset < 4) break;
        const quint32 length = NumberAt(request, offset);
        offset += 4;
        if (length == 0 || length > kMaxPathBytes || length > request.size() - offset) break;
        const QByteArray file = request.mid(offset, length);
        offset += length;
        if (!file.startsWith('/') || file.contains('\0')) break;
        files.append(file);
    }
    if (files.size() != static_cast<qsizetype>(count) || offset != request.size()) {
        Drop(socket);
        return;
    }
    const bool taken = m_receiver && m_receiver(files);
    connection.answered = true;
    // The sender closes once it has read the answer; the deadline covers one that does not.
    connection.deadline->stop();
    connection.deadline->start(kConnectionTimeLimitMs);
    // Last: a sender already gone makes the write fail, and the socket's disconnected signal,
    // emitted inside the write, drops the connection there and then. Nothing of `connection`
    // may be used after this.
    socket->putChar(taken ? kAcknowledge : kDeclined);
    socket->flush();
}
