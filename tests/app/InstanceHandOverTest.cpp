#include "app/InstanceHandOver.h"

#include "app/InstanceOpenRequest.h"
#include "app/InstanceServer.h"
#include "support/TestApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QByteArray Record(const char* tag, uint32_t kind, const QByteArray& path, bool nul = true)
{
    QByteArray r(tag, 16);
    for (int shift = 0; shift < 32; shift += 8)
        r.append(static_cast<char>((kind >> shift) & 0xFF));
    r.append(path);
    if (nul)
        r.append('\0');
    return r;
}

// Records from another process: only the exact tag, kind 1 and one final
// NUL after a path of valid UTF-8 are read.
TEST(InstanceOpenRequestTest, OnlyWellFormedRecordsAreRead)
{
    const char tag[16] = "OndrelCopyData1";
    QString path;
    ASSERT_TRUE(ReadInstanceOpenRequest(MakeInstanceOpenRequest(QStringLiteral("/home/é/a b.vlf")), &path));
    EXPECT_EQ(path, QStringLiteral("/home/é/a b.vlf"));
    EXPECT_EQ(MakeInstanceOpenRequest(QStringLiteral("/x")).size(), 2 + 21);
    ASSERT_TRUE(ReadInstanceOpenRequest(MakeInstanceOpenRequest(QStringLiteral("\"/q u.vlf\"")), &path));
    EXPECT_EQ(path, QStringLiteral("/q u.vlf"));

    const struct {
        const char* what;
        QByteArray record;
    } refused[] = {
        {"header only", QByteArray(tag, 16) + QByteArray(4, '\1').replace(1, 3, QByteArray(3, '\0'))},
        {"no path", Record(tag, 1, "")},
        {"no terminator", Record(tag, 1, "/a.vlf", false)},
        {"a NUL inside", Record(tag, 1, QByteArray("/a\0b", 4))},
        {"kind 2", Record(tag, 2, "/a.vlf")},
        {"another tag", Record("OndrelCopyData2", 1, "/a.vlf")},
        {"bad UTF-8", Record(tag, 1, "/a\xff.vlf")},
        {"too long", Record(tag, 1, QByteArray(kInstanceRequestLongestPath + 1, 'a'))},
    };
    for (const auto& r : refused)
        EXPECT_FALSE(ReadInstanceOpenRequest(r.record, &path)) << r.what;

    EXPECT_TRUE(MakeInstanceOpenRequest(QString()).isEmpty());
    EXPECT_TRUE(MakeInstanceOpenRequest(QString(kInstanceRequestLongestPath + 1, QLatin1Char('a'))).isEmpty());
    // A lone quote is a one-character name, not a pair to strip.
    EXPECT_EQ(StripPathQuotes(QStringLiteral("\"")), QStringLiteral("\""));
    EXPECT_EQ(StripPathQuotes(QStringLiteral("\"\"")), QString());
}

class InstanceHandOverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(runtime.isValid());
        saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        ASSERT_FALSE(InstanceServer::SocketFolder().isEmpty());
    }
    void TearDown() override
    {
        if (server) {
            QMetaObject::invokeMethod(server, [this] { delete server; }, Qt::BlockingQueuedConnection);
            server = nullptr;
        }
        thread.quit();
        thread.wait();
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    // This process's server, answering on a thread of its own for the path.
    void Serve(const QString& shown)
    {
        thread.start();
        server = new InstanceServer([shown](const QByteArray& record) {
            QString path;
            return ReadInstanceOpenRequest(record, &path) && path == shown;
        });
        server->moveToThread(&thread);
        bool listening = false;
        QMetaObject::invokeMethod(server, [&] { listening = server->Listen(); }, Qt::BlockingQueuedConnection);
        ASSERT_TRUE(listening);
    }

    // The answer byte to a framed message, or -1 when the server closes.
    int Ask(const QByteArray& frame)
    {
        QLocalSocket socket;
        socket.connectToServer(
            QDir(InstanceServer::SocketFolder()).filePath(InstanceServer::SocketName(QCoreApplication::applicationPid())));
        if (!socket.waitForConnected(2000))
            return -2;
        socket.write(frame);
        socket.waitForBytesWritten(2000);
        while (socket.bytesAvailable() < 1) {
            if (!socket.waitForReadyRead(2000))
                return -1;
        }
        char answer = 0;
        socket.read(&answer, 1);
        return answer;
    }

    static QByteArray Frame(const QByteArray& record, uint32_t length)
    {
        QByteArray frame;
        for (int shift = 0; shift < 32; shift += 8)
            frame.append(static_cast<char>((length >> shift) & 0xFF));
        return frame + record;
    }

    QTemporaryDir runtime;
    QByteArray saved;
    QThread thread;
    InstanceServer* server = nullptr;
};

// The server answers whether it shows the path; an oversized message is cut
// off unanswered and the server goes on answering.
TEST_F(InstanceHandOverTest, TheServerAnswersWellFormedRequestsOnly)
{
    Serve(QStringLiteral("/docs/a.vlf"));
    const QByteArray shown = MakeInstanceOpenRequest(QStringLiteral("/docs/a.vlf"));
    const QByteArray other = MakeInstanceOpenRequest(QStringLiteral("/docs/b.vlf"));
    EXPECT_EQ(Ask(Frame(shown, shown.size())), '1');
    EXPECT_EQ(Ask(Frame(other, other.size())), '0');
    EXPECT_EQ(Ask(Frame(QByteArray(64, 'x'), 0xFFFFFFF0u)), -1);
    EXPECT_EQ(Ask(Frame("garbage", 7)), '0');
    EXPECT_EQ(Ask(Frame(shown, shown.size())), '1');
    // A copy also asks itself.
    EXPECT_TRUE(SendOpenToRunningInstance(QStringLiteral("\"/docs/a.vlf\"")));
    EXPECT_FALSE(SendOpenToRunningInstance(QStringLiteral("/docs/b.vlf")));
}

// A copy that never answers is given up after its time; a socket whose
// process has gone is cleared away.
TEST_F(InstanceHandOverTest, SilentAndVanishedCopiesAreSkipped)
{
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 gonePid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    const QString stale = QDir(InstanceServer::SocketFolder()).filePath(InstanceServer::SocketName(gonePid));
    {
        QFile file(stale);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QObject context;
    context.moveToThread(&thread);
    thread.start();
    QLocalServer* silent = nullptr;
    QMetaObject::invokeMethod(
        &context,
        [&] {
            silent = new QLocalServer;
            // Named for a process that exists: the test's parent.
            silent->listen(QDir(InstanceServer::SocketFolder()).filePath(InstanceServer::SocketName(getppid())));
        },
        Qt::BlockingQueuedConnection);
    ASSERT_TRUE(silent && silent->isListening());
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(SendOpenToRunningInstance(QStringLiteral("/docs/a.vlf")));
    EXPECT_GE(clock.elapsed(), 3500);
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_FALSE(QFile::exists(stale));
    QMetaObject::invokeMethod(&context, [&] { delete silent; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

#ifdef VL_PROGRAM_PATH
// A second start with the file a running copy shows hands over and ends at
// once; a start with another file stays.
TEST_F(InstanceHandOverTest, ASecondStartHandsOverAndExits)
{
    QTemporaryDir home;
    const QString a = QDir(home.path()).filePath(QStringLiteral("a.vlf"));
    const QString b = QDir(home.path()).filePath(QStringLiteral("b.vlf"));
    for (const QString& path : {a, b}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Vellumor 4;\rExpr x;\r");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    auto start = [&](QProcess& p, const QString& path) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VL_PROGRAM_PATH), {path});
        return p.waitForStarted(10000);
    };
    QProcess first;
    ASSERT_TRUE(start(first, a));
    const QString socket =
        QDir(InstanceServer::SocketFolder()).filePath(InstanceServer::SocketName(first.processId()));
    for (int i = 0; i < 300 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(socket));
    // The first copy opens its file after it listens.
    QThread::msleep(1500);

    QProcess second;
    ASSERT_TRUE(start(second, a));
    EXPECT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    QProcess third;
    ASSERT_TRUE(start(third, b));
    EXPECT_FALSE(third.waitForFinished(3000));
    for (QProcess* p : {&third, &first}) {
        p->kill();
        p->waitForFinished(5000);
    }
}
#endif

}  // namespace
