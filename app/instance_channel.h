#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

// Hands job files from a second start of the program to the one already running, over a
// local socket named per user.
class CInstanceChannel : public QObject {
    Q_OBJECT
public:
    // The socket name for this user.
    static QString DefaultName();

    // Sends `files` to a program listening on `name` and waits until it has taken them.
    // False when nobody listens (or it did not answer in time): then this start goes on.
    static bool HandOver(const QString& name, const QStringList& files, int timeoutMs = 3000);

    explicit CInstanceChannel(QObject* parent = nullptr);
    ~CInstanceChannel() override;

    // Starts listening. A socket left behind by a program that died is taken over.
    bool Listen(const QString& name);
    QString ServerName() const;

signals:
    // Absolute paths, in the order given to the second start.
    void filesReceived(const QStringList& files);

private:
    void OnNewConnection();

    QLocalServer* m_server;
};
