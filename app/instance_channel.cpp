#include "app/instance_channel.h"

#include <unistd.h>

#include <QDataStream>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr quint32 kMagic = 0x43564A31;  // "CVJ1"
constexpr char kAcknowledge = 'K';
// Small requests only: a few paths.
constexpr qint64 kMaxRequestBytes = 1 << 20;

}  // namespace

QString CInstanceChannel::DefaultName() {
    return QStringLiteral("caelvane-%1").arg(static_cast<qulonglong>(getuid()));
}

bool CInstanceChannel::HandOver(const QString& name, const QStringList& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QStringList absolute;
    for (const QString& file : files) absolute.append(QFileInfo(file).absoluteFilePath());
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << absolute;
    }
    QDataStream frame(&socket);
    frame.setVersion(QDataStream::Qt_6_0);
    frame << request;
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

CInstanceChannel::CInstanceChannel(QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CInstanceChannel::OnNewConnection);
}

CInstanceChannel::~CInstanceChannel() {
    m_server->close();
}

bool CInstanceChannel::Listen(const QString& name) {
    if (m_server->listen(name)) return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError) return false;
    // In use: either a live program (then it would have answered HandOver) or a stale socket.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

QString CInstanceChannel::ServerName() const {
    return m_server->serverName();
}

void CInstanceChannel::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();
                return;
            }
            QDataStream frame(socket);
            frame.setVersion(QDataStream::Qt_6_0);
            frame.startTransaction();
            QByteArray request;
            frame >> request;
            if (!frame.commitTransaction()) return;  // the rest has not arrived yet
            QDataStream in(request);
            in.setVersion(QDataStream::Qt_6_0);
            quint32 magic = 0;
            QStringList files;
            in >> magic >> files;
            if (in.status() != QDataStream::Ok || magic != kMagic) {
                socket->abort();
                return;
            }
            socket->putChar(kAcknowledge);
            socket->flush();
            emit filesReceived(files);
        });
    }
}
