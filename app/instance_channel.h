#pragma once
#include <sys/types.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

// Hands job files from a second start of the program to the one already running in the same
// session, over a local socket that only the user's own processes may use.
//
// The socket lives in the session's runtime folder ($XDG_RUNTIME_DIR, or else a folder of our
// own in the temporary folder that only we may enter) and its name carries the display and the
// home folder, so that two sessions of one user never hand files to each other. Both ends check
// that the other is the same user before anything is said. File names travel as the bytes the
// system uses, made absolute and canonical by the sender: a name need not be valid UTF-8.
class CInstanceChannel : public QObject {
    Q_OBJECT
public:
    // Bounds of one hand-over, checked before anything is allocated for it.
    static constexpr quint32 kMaxFiles = 64;
    static constexpr quint32 kMaxPathBytes = 4096;
    static constexpr quint32 kMaxPayloadBytes = kMaxFiles * (4 + kMaxPathBytes);
    // Connections served at once; more are closed as they come, so that idle ones cannot use up
    // the program's descriptors.
    static constexpr int kMaxConnections = 16;
    // A connection that has not sent its whole request by then is dropped.
    static constexpr int kConnectionTimeLimitMs = 3000;

    // The folder the socket lives in: $XDG_RUNTIME_DIR when it is a folder of ours that no one
    // else may enter, else <temp>/caelvane-<uid>, made 0700 when missing. Empty, with `error`
    // saying why, when the folder there is not ours or others may enter it.
    static QString RuntimeFolder(QString* error = nullptr);
    // The session's part of the name: the display (Wayland's, else X's) with everything but
    // letters, digits, '.', '-' and '_' made '_', and a short digest of the home folder.
    static QString SessionTag();
    // The socket of this session, a path; empty (with `error`) when there is no safe folder.
    static QString DefaultName(QString* error = nullptr);
    // `name` as a path: a name without '/' is placed in RuntimeFolder().
    static QString SocketPath(const QString& name);

    // Sends `files` to a program listening on `name` and waits until it has taken them. False
    // when nobody listens, it did not answer in time, or it would not take them: then this start
    // goes on by itself. A socket that is not one, or whose file or listening process belongs to
    // anyone but `trustedUid`, is not spoken to; `refusal` then says why.
    static bool HandOver(const QString& name, const QList<QByteArray>& files, int timeoutMs = 3000,
                         QString* refusal = nullptr, uid_t trustedUid = ::getuid());
    static bool HandOver(const QString& name, const QStringList& files, int timeoutMs = 3000,
                         QString* refusal = nullptr, uid_t trustedUid = ::getuid());

    // Accepts connections from processes of `trustedUid` only.
    explicit CInstanceChannel(QObject* parent = nullptr, uid_t trustedUid = ::getuid());
    ~CInstanceChannel() override;

    // Starts listening. A name that answers is never taken over; a socket left behind by a
    // program that died (nothing answers: connection refused) is replaced. False, with `error`
    // saying why, when this program cannot listen there.
    bool Listen(const QString& name, QString* error = nullptr);
    QString ServerName() const { return m_name; }
    bool IsListening() const { return m_listenFd >= 0; }
    int OpenConnections() const { return static_cast<int>(m_connections.size()); }

    // Takes the files of one hand-over; false declines them (the sender then starts by itself).
    // Without a receiver every hand-over is declined.
    using Receiver = std::function<bool(const QList<QByteArray>& files)>;
    void SetReceiver(Receiver receiver) { m_receiver = std::move(receiver); }

private:
    struct Connection;
    bool ListenAt(QString* error);
    void StopListening();
    void OnAcceptReady();
    void Serve(Connection& connection);
    void Drop(QLocalSocket* socket);
    void CheckStillListening();
    // Closes the listening socket and its notifier; the name stays.
    void CloseListener();

    uid_t m_trustedUid;
    QString m_name;
    QByteArray m_path;
    int m_listenFd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_watchdog;
    QTimer* m_acceptPause;
    std::vector<std::unique_ptr<Connection>> m_connections;
    Receiver m_receiver;
};
