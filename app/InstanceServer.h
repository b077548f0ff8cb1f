// The socket through which other copies of the program ask this one whether
// it shows a document. It lives in the user's private runtime folder and
// answers only the user's own processes; each request is one length-framed
// record (InstanceOpenRequest.h), each answer one byte.
#pragma once

#include <QObject>

#include <functional>

class QLocalServer;
class QLocalSocket;

class InstanceServer : public QObject {
    Q_OBJECT
public:
    // Answers a record: true when this copy shows the path (and has come to
    // the front).
    using Receiver = std::function<bool(const QByteArray& record)>;

    explicit InstanceServer(Receiver receiver, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts listening under this process's name; false when there is no
    // private folder or the socket cannot be made.
    bool Listen();
    // This process's own answer, without a socket: a copy also asks itself.
    bool Answer(const QByteArray& record) const;

    // The user's runtime folder when it is the user's own and closed to
    // others; empty otherwise.
    static QString SocketFolder();
    static QString SocketName(qint64 pid);
    // The listening server of this process, or null.
    static InstanceServer* Running();

private:
    void OnNewConnection();
    void OnReadable(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
    Receiver m_receiver;
};
