#include "app/InstanceServer.h"

#include "app/InstanceOpenRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace {

InstanceServer* RunningServer = nullptr;

// A peer that has not sent its whole record by then is dropped.
constexpr int kPeerMilliseconds = 4000;

}  // namespace

InstanceServer::InstanceServer(Receiver receiver, QObject* parent) : QObject(parent), m_receiver(std::move(receiver))
{
}

InstanceServer::~InstanceServer()
{
    if (RunningServer == this)
        RunningServer = nullptr;
    if (m_server)
        m_server->close();
}

InstanceServer* InstanceServer::Running()
{
    return RunningServer;
}

QString InstanceServer::SocketFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    const QFileInfo info(folder);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (!info.isDir() || info.ownerId() != static_cast<uint>(getuid()) || (info.permissions() & others))
        return {};
    return folder;
}

QString InstanceServer::SocketName(qint64 pid)
{
    return QStringLiteral("vellumor-instance-%1").arg(pid);
}

bool InstanceServer::Listen()
{
    const QString folder = SocketFolder();
    if (folder.isEmpty())
        return false;
    const QString path = QDir(folder).filePath(SocketName(QCoreApplication::applicationPid()));
    // A socket left by an earlier process with this number is stale.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::OnNewConnection);
    RunningServer = this;
    return true;
}

bool InstanceServer::Answer(const QByteArray& record) const
{
    return m_receiver && m_receiver(record);
}

void InstanceServer::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kPeerMilliseconds, socket, [socket] { socket->abort(); });
        // Bytes may have come with the connection.
        OnReadable(socket);
    }
}

void InstanceServer::OnReadable(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    const uint32_t length = ReadUint32LE(socket->peek(4).constData());
    if (length > static_cast<uint32_t>(kInstanceRequestLargest)) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(length))
        return;
    socket->read(4);
    const QByteArray record = socket->read(length);
    const char answer = Answer(record) ? '1' : '0';
    socket->write(&answer, 1);
    socket->flush();
    socket->disconnectFromServer();
}
