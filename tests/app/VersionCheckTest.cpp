#include "app/CHttp.h"
#include "app/CKoviCheckVersionDlg.h"
#include "app/KoviPrefs.h"
#include "app/VersionCheck.h"
#include "app/VersionReply.h"
#include "platform/CDLLVersion.h"
#include "support/TestApp.h"

#include <QDialog>
#include <QNetworkProxy>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>
#include <vector>

namespace {

TEST(VersionSchedule, AnAutomaticCheckIsDueOnlyWhenEnabledAndTheIntervalHasPassed)
{
    const int64_t day = 86400;
    const int64_t last = 1700000000;
    struct Case {
        const char* what;
        uint8_t enabled;
        int32_t interval;
        int64_t lastCheck, now;
        bool due;
    };
    const Case cases[] = {
        {"disabled", 0, day, last, last + 10 * day, false},
        {"at the interval", 1, day, last, last + day, false},
        {"just past it", 1, day, last, last + day + 1, true},
        {"last check in the future", 1, day, last, last - 5, false},
        {"damaged interval counts as 30 days", 1, -7, last, last + 29 * day, false},
        {"damaged interval, 31 days", 1, 0, last, last + 31 * day, true},
        {"across 2038", 1, day, INT32_MAX - 100, int64_t(INT32_MAX) + day, true},
        {"just after 2038", 1, day, INT32_MAX - 100, int64_t(INT32_MAX) + 200, false},
    };
    for (const Case& c : cases) {
        KoviPrefs prefs;
        prefs.enabled = c.enabled;
        prefs.interval = c.interval;
        prefs.lastCheck = static_cast<int32_t>(static_cast<uint32_t>(c.lastCheck));
        EXPECT_EQ(IsAutomaticCheckDue(prefs, c.now), c.due) << c.what;
    }
}

TEST(VersionSchedule, TheRecordIsTwelveLittleEndianBytes)
{
    KoviPrefs prefs = FirstRunKoviPrefs(0x01020304);
    uint8_t bytes[kKoviPrefsSize];
    EncodeKoviPrefs(prefs, bytes);
    const uint8_t expected[kKoviPrefsSize] = {4, 3, 2, 1, 0x00, 0x8D, 0x27, 0x00, 1, 1, 0, 1};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 12), std::vector<uint8_t>(expected, expected + 12));
    KoviPrefs back;
    ASSERT_TRUE(DecodeKoviPrefs(bytes, 12, &back));
    EXPECT_EQ(back.lastCheck, 0x01020304);
    EXPECT_EQ(back.interval, kDefaultCheckInterval);
    KoviPrefs untouched;
    EXPECT_FALSE(DecodeKoviPrefs(bytes, 11, &untouched));
    EXPECT_FALSE(DecodeKoviPrefs(bytes, 13, &untouched));
    EXPECT_EQ(untouched.interval, 0);
}

TEST(VersionReplyParsing, KeysAreReadLineByLineAndTheLastOneWins)
{
    struct Case {
        const char* what;
        std::string text;
        std::string version, url;
        int32_t interval;  // -1: not set
    };
    const Case cases[] = {
        {"three lines", "ReleaseVersion: 4.1.0.0\nReleaseURL: http://x.example/get\nAutoQueryIntervalM: 1440\n",
         "4.1.0.0", "http://x.example/get", 86400},
        {"CR LF, blanks and padding", "\r\n  ReleaseVersion:   4.2.0.1  \r\n\r\n\tReleaseURL: u \r\n", "4.2.0.1", "u", -1},
        {"last wins", "ReleaseVersion: 1.0.0.0\rReleaseVersion: 2.0.0.0", "2.0.0.0", "", -1},
        {"keys are case-sensitive and need their space", "releaseversion: 4.1.0.0\nReleaseVersion:4.1.0.0\n", "", "",
         -1},
        {"a key inside a line is no key", "x ReleaseVersion: 4.1.0.0", "", "", -1},
        {"interval below an hour", "AutoQueryIntervalM: 1", "", "", 3600},
        {"interval of 0, negative or no number is ignored", "AutoQueryIntervalM: 0\nAutoQueryIntervalM: -5\n"
                                                             "AutoQueryIntervalM: soon",
         "", "", -1},
        {"huge interval", "AutoQueryIntervalM: 99999999999999999999", "", "", kMaximumQueryIntervalMinutes * 60},
        {"a NUL inside", std::string("ReleaseVersion: 4.1\0.0.0\nReleaseURL: a", 38), std::string("4.1\0.0.0", 8),
         "a", -1},
    };
    for (const Case& c : cases) {
        VersionReply reply;
        ASSERT_TRUE(ParseVersionReply(c.text.data(), c.text.size(), &reply)) << c.what;
        EXPECT_EQ(reply.releaseVersion, c.version) << c.what;
        EXPECT_EQ(reply.releaseUrl, c.url) << c.what;
        EXPECT_EQ(reply.hasInterval ? reply.intervalSeconds : -1, c.interval) << c.what;
    }
    const std::string tooLong = "ReleaseVersion: 9.0.0.0\n" + std::string(kVersionReplyLimit, ' ');
    VersionReply reply;
    EXPECT_FALSE(ParseVersionReply(tooLong.data(), tooLong.size(), &reply));
    EXPECT_EQ(reply.releaseVersion, "");
}

TEST(VersionReplyParsing, ReleaseVersionsNeedFourNumbers)
{
    struct Case {
        const char* text;
        bool parses;
        int32_t numbers[4];
    };
    const Case cases[] = {
        {"4.1.0.0", true, {4, 1, 0, 0}},       {"4,1,0,12", true, {4, 1, 0, 12}},
        {"4.1", false, {}},                    {"4.1.0.", false, {}},
        {"", false, {}},                       {"4..0.7 beta", true, {4, 0, 0, 7}},
        {"4.1.0.0.9", true, {4, 1, 0, 0}},     {"-1.x.3.z", true, {-1, 0, 3, 0}},
        {"99999999999.0.0.1", true, {INT32_MAX, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        int32_t numbers[4] = {};
        EXPECT_EQ(ParseReleaseVersion(c.text, numbers), c.parses) << c.text;
        if (c.parses) {
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(numbers[i], c.numbers[i]) << c.text << " part " << i;
        }
    }
    const uint32_t program[4] = {4, 0, 5, 7};
    const int32_t newer[4] = {4, 1, 0, 0}, same[4] = {4, 0, 5, 7}, older[4] = {4, 0, 5, 6}, negative[4] = {-1, 9, 9, 9};
    EXPECT_TRUE(IsNewerRelease(program, newer));
    EXPECT_FALSE(IsNewerRelease(program, same));
    EXPECT_FALSE(IsNewerRelease(program, older));
    EXPECT_FALSE(IsNewerRelease(program, negative));
}

TEST(VersionReplyParsing, TheQueryAndTheDownloadAddress)
{
    const uint32_t version[4] = {4, 0, 0, 12};
    EXPECT_EQ(BuildVersionQuery("http://h:8", version, "GBXXXXX", "Linux_6.1"),
              "http://h:8/kovi/od3?version=0400000012&country=GBXXX&os=Linux_6.1");
    EXPECT_TRUE(IsDownloadAddress("https://www.example.com/get"));
    EXPECT_TRUE(IsDownloadAddress("http://a"));
    for (const char* unsafe : {"file:///bin/sh", "/usr/bin/xterm", "javascript:x", "http://", "", "ftp://a"})
        EXPECT_FALSE(IsDownloadAddress(unsafe)) << unsafe;
}

// A version server on 127.0.0.1 that answers every request with the same
// bytes, or never.
class LocalServer {
public:
    LocalServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                ++connections;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request += socket->readAll();
                    if (!request.contains("\r\n\r\n") || silent)
                        return;
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(server.serverPort()); }
    void Answer(const QByteArray& body, int status = 200)
    {
        answer = "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body;
    }

    QTcpServer server;
    QByteArray answer;
    QByteArray request;
    bool silent = false;
    int connections = 0;
};

struct Shown {
    int asks = 0;
    int askResult = QDialog::Accepted;
    bool dontAsk = false;
    std::vector<QString> offers;
    int offerResult = QDialog::Rejected;
    std::vector<QString> opened;
    std::vector<QString> told;
};
Shown* Seen = nullptr;

class VersionCheckTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TestApp();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        GetKoviPrefs() = KoviPrefs{};
        Seen = &shown_;
        VersionCheckUi ui;
        ui.ask = [](bool* dontAsk) {
            ++Seen->asks;
            *dontAsk = Seen->dontAsk;
            return Seen->askResult;
        };
        ui.offer = [](const QString& message) {
            Seen->offers.push_back(message);
            return Seen->offerResult;
        };
        ui.openAddress = [](const QString& url) { Seen->opened.push_back(url); };
        ui.tell = [](const QString& text) { Seen->told.push_back(text); };
        SetVersionCheckUi(ui);
        SetVersionServerAddress(server_.Address());
        EnableAutomaticVersionCheck(true);
        CHttp::SetTimeLimit(5000);
        const CDLLVersion program = CDLLVersion::Program();
        ASSERT_TRUE(program.valid);
        newer_ = QString("ReleaseVersion: %1.0.0.0\nReleaseURL: https://example.com/get\nAutoQueryIntervalM: 1440\n")
                     .arg(program.major + 1)
                     .toUtf8();
        same_ = QString("ReleaseVersion: %1.%2.%3.%4\n")
                    .arg(program.major)
                    .arg(program.minor)
                    .arg(program.third)
                    .arg(program.fourth)
                    .toUtf8();
    }
    void TearDown() override
    {
        StopVersionCheck();
        EnableAutomaticVersionCheck(false);
        Seen = nullptr;
    }

    // A record as a run after the first leaves it, the last check long ago.
    void Returning(uint8_t askFirst)
    {
        GetKoviPrefs() = FirstRunKoviPrefs(std::time(nullptr) - 40 * 86400);
        GetKoviPrefs().askFirst = askFirst;
        ASSERT_TRUE(WriteKoviPrefs());
    }
    // Lets the request run to its end; false when it has not ended in time.
    bool Finish(int seconds = 10)
    {
        return QTest::qWaitFor([] { return !IsVersionCheckRunning(); }, seconds * 1000);
    }

    QTemporaryDir dir_;
    LocalServer server_;
    Shown shown_;
    QByteArray newer_, same_;
};

TEST_F(VersionCheckTest, TheFirstRunWritesItsRecordAndAsksNothing)
{
    for (bool manual : {false, true}) {
        GetKoviPrefs() = KoviPrefs{};
        QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor")).clear();
        CheckForNewVersion(manual);
        EXPECT_FALSE(IsVersionCheckRunning());
        EXPECT_EQ(shown_.asks, 0);
        GetKoviPrefs() = KoviPrefs{};
        ASSERT_TRUE(ReadKoviPrefs());
        const KoviPrefs& prefs = GetKoviPrefs();
        EXPECT_EQ(prefs.interval, kDefaultCheckInterval);
        EXPECT_EQ(prefs.enabled, 1);
        EXPECT_EQ(prefs.askFirst, 1);
        EXPECT_EQ(prefs.notAskedYet, 1);
        EXPECT_NEAR(prefs.lastCheck, std::time(nullptr), 5);
    }
    QTest::qWait(50);
    EXPECT_EQ(server_.connections, 0);
}

TEST_F(VersionCheckTest, ANewerReleaseIsOfferedAndItsIntervalKept)
{
    Returning(1);
    server_.Answer(newer_);
    shown_.offerResult = QDialog::Accepted;
    CheckForNewVersion(true);
    EXPECT_EQ(shown_.asks, 1);
    ASSERT_TRUE(IsVersionCheckRunning());
    // A second request while one runs does nothing.
    CheckForNewVersion(true);
    EXPECT_EQ(shown_.asks, 1);
    ASSERT_TRUE(Finish());
    EXPECT_TRUE(server_.request.startsWith("GET /kovi/od3?version=")) << server_.request.left(80).toStdString();
    ASSERT_EQ(shown_.offers.size(), 1u);
    EXPECT_TRUE(shown_.offers[0].contains(QString(" new version (%1.0.0.0) ").arg(CDLLVersion::Program().major + 1)));
    EXPECT_EQ(shown_.opened, std::vector<QString>{QStringLiteral("https://example.com/get")});
    EXPECT_TRUE(shown_.told.empty());
    GetKoviPrefs() = KoviPrefs{};
    ASSERT_TRUE(ReadKoviPrefs());
    EXPECT_EQ(GetKoviPrefs().interval, 86400);
    EXPECT_EQ(GetKoviPrefs().notAskedYet, 0);
}

TEST_F(VersionCheckTest, SameGarbageOversizedAndErrorRepliesShowNothing)
{
    struct Case {
        const char* what;
        QByteArray raw;
    };
    LocalServer& s = server_;
    s.Answer(same_);
    const QByteArray same = s.answer;
    s.Answer("ReleaseVersion: 99.0.0.0\n" + QByteArray(int(kVersionReplyLimit), ' '));
    const QByteArray oversized = s.answer;
    s.Answer(newer_, 404);
    const QByteArray notFound = s.answer;
    const Case cases[] = {
        {"same version", same},
        {"not HTTP", QByteArray("\x00\xff garbage ReleaseVersion: 99.0.0.0\r\n\r\n", 40)},
        {"oversized", oversized},
        {"an error page", notFound},
    };
    for (const Case& c : cases) {
        Returning(0);
        s.answer = c.raw;
        CheckForNewVersion(false);
        ASSERT_TRUE(Finish()) << c.what;
        EXPECT_TRUE(shown_.offers.empty()) << c.what;
        EXPECT_TRUE(shown_.told.empty()) << c.what;
        EXPECT_EQ(shown_.asks, 0) << c.what;
    }
    // Each reached the server (the client may try again after a garbled answer).
    EXPECT_GE(s.connections, 4);
}

TEST_F(VersionCheckTest, AServerThatNeverAnswersTimesOutSilentlyUnlessAskedFor)
{
    server_.silent = true;
    CHttp::SetTimeLimit(300);
    for (bool manual : {false, true}) {
        Returning(0);
        CheckForNewVersion(manual);
        ASSERT_TRUE(IsVersionCheckRunning());
        ASSERT_TRUE(Finish(5));
        EXPECT_TRUE(shown_.offers.empty());
        EXPECT_EQ(shown_.told.size(), manual ? 1u : 0u);
    }
    EXPECT_EQ(shown_.told.at(0).toStdString(), kNoInternetText);
}

TEST_F(VersionCheckTest, NoServerAtTheAddressIsSilentOnTheSchedule)
{
    SetVersionServerAddress("http://127.0.0.1:1");
    Returning(0);
    CheckForNewVersion(false);
    ASSERT_TRUE(Finish());
    EXPECT_TRUE(shown_.told.empty());
    EXPECT_TRUE(shown_.offers.empty());
}

TEST_F(VersionCheckTest, DisableCheckingStopsTheScheduleButNotTheCommand)
{
    Returning(1);
    server_.Answer(newer_);
    shown_.offerResult = kDisableCheckingResult;
    CheckForNewVersion(true);
    ASSERT_TRUE(Finish());
    ASSERT_EQ(shown_.offers.size(), 1u);
    EXPECT_EQ(GetKoviPrefs().enabled, 0);
    EXPECT_TRUE(shown_.opened.empty());
    // Long after, the schedule stays quiet.
    GetKoviPrefs().lastCheck -= 400 * 86400;
    CheckForNewVersion(false);
    EXPECT_FALSE(IsVersionCheckRunning());
    EXPECT_EQ(shown_.asks, 1);
    // The command asks again; Later sends nothing; Disable in the ask
    // dialog keeps the schedule off.
    shown_.askResult = QDialog::Rejected;
    CheckForNewVersion(true);
    EXPECT_EQ(shown_.asks, 2);
    EXPECT_FALSE(IsVersionCheckRunning());
    shown_.askResult = kDisableCheckingResult;
    GetKoviPrefs().enabled = 1;
    CheckForNewVersion(true);
    EXPECT_EQ(GetKoviPrefs().enabled, 0);
    EXPECT_FALSE(IsVersionCheckRunning());
}

TEST_F(VersionCheckTest, DontAskAgainLetsTheScheduleConnectWithoutAsking)
{
    Returning(1);
    server_.Answer(same_);
    shown_.dontAsk = true;
    CheckForNewVersion(true);
    ASSERT_TRUE(Finish());
    EXPECT_EQ(GetKoviPrefs().askFirst, 0);
    GetKoviPrefs().lastCheck -= 40 * 86400;
    CheckForNewVersion(false);
    EXPECT_EQ(shown_.asks, 1);
    ASSERT_TRUE(Finish());
    EXPECT_EQ(server_.connections, 2);
}

}  // namespace
