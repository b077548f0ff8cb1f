#include "app/InstanceHandOver.h"

#include "app/InstanceOpenRequest.h"
#include "app/InstanceServer.h"
#include "platform/SystemErrorBox.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>

#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kPeerMilliseconds = 4000;

std::function<int(const QStringList&)>& StartHook()
{
    static std::function<int(const QStringList&)> hook;
    return hook;
}

// The number in a socket's name, or 0.
qint64 SocketPid(const QString& name)
{
    const QString prefix = InstanceServer::SocketName(0).chopped(1);
    bool ok = false;
    const qint64 pid = name.startsWith(prefix) ? name.mid(prefix.size()).toLongLong(&ok) : 0;
    return ok && pid > 0 ? pid : 0;
}

bool AskPeer(const QString& socketPath, const QByteArray& record)
{
    QDeadlineTimer deadline(kPeerMilliseconds);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    QByteArray frame;
    AppendUint32LE(frame, static_cast<uint32_t>(record.size()));
    frame.append(record);
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == '1';
}

}  // namespace

bool SendOpenToRunningInstance(const QString& path)
{
    const QByteArray record = MakeInstanceOpenRequest(path);
    if (record.isEmpty())
        return false;
    InstanceServer* own = InstanceServer::Running();
    if (own && own->Answer(record))
        return true;
    const QString folder = InstanceServer::SocketFolder();
    if (folder.isEmpty())
        return false;
    const qint64 self = QCoreApplication::applicationPid();
    const QDir dir(folder);
    const QString pattern = InstanceServer::SocketName(0).chopped(1) + QLatin1Char('*');
    for (const QFileInfo& entry : dir.entryInfoList({pattern}, QDir::System | QDir::Files, QDir::Name)) {
        const qint64 pid = SocketPid(entry.fileName());
        if (pid == 0 || pid == self || entry.ownerId() != static_cast<uint>(getuid()))
            continue;
        // A socket whose process has gone is left over from a crash.
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            QFile::remove(entry.filePath());
            continue;
        }
        if (AskPeer(entry.filePath(), record))
            return true;
    }
    return false;
}

void SetStartInstanceHook(std::function<int(const QStringList&)> hook)
{
    StartHook() = std::move(hook);
}

int StartNewInstance(const QStringList& arguments)
{
    if (StartHook())
        return StartHook()(arguments);
    if (QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments))
        return 0;
    const int error = errno != 0 ? errno : ENOENT;
    ShowSystemErrorBox("The program could not be started again", error, __FILE__, __LINE__);
    return error;
}
