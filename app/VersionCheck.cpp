#include "app/VersionCheck.h"

#include "app/CHttp.h"
#include "app/CKoviCheckVersionDlg.h"
#include "app/CKoviNewVersionDlg.h"
#include "app/KoviPrefs.h"
#include "app/VersionReply.h"
#include "platform/CDLLVersion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkInformation>
#include <QUrl>

#include <ctime>
#include <memory>

const char kNoInternetText[] = "No internet access is available on this computer.";

namespace {

// The request that runs; null when none.
struct VersionCheckRequest {
    // Tells this request's reply from that of an earlier, stopped one.
    uint64_t id = 0;
    std::string url;
    CHttp client;
    bool manual = false;
};

std::unique_ptr<VersionCheckRequest> Request;
std::string ServerAddress = "https://www.kestrane.com";
bool AutomaticEnabled = false;

int AskWithDialog(bool* dontAsk)
{
    CKoviCheckVersionDlg dialog(*dontAsk);
    const int result = dialog.exec();
    *dontAsk = dialog.DontAsk();
    return result;
}

int OfferWithDialog(const QString& message)
{
    CKoviNewVersionDlg dialog(message);
    return dialog.exec();
}

void OpenWithShell(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

void TellWithBox(const QString& text)
{
    QMessageBox::information(nullptr, QStringLiteral("Vellumor"), text);
}

VersionCheckUi Ui{&AskWithDialog, &OfferWithDialog, &OpenWithShell, &TellWithBox};

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

void NoteCheckTime()
{
    GetKoviPrefs().lastCheck = static_cast<int32_t>(static_cast<uint32_t>(Now()));
}

std::string CountryCode()
{
    return QLocale::territoryToCode(QLocale::system().territory()).left(5).toStdString();
}

std::string VersionQuery()
{
    const CDLLVersion version = CDLLVersion::Program();
    const uint32_t numbers[4] = {version.major, version.minor, version.third, version.fourth};
    std::string os;
    GetOSVersionTag(os);
    return BuildVersionQuery(ServerAddress, numbers, CountryCode(), os);
}

bool StartVersionCheck(const std::string& url, bool manual)
{
    if (Request)
        return false;
    static bool quitWatched = false;
    if (!quitWatched && QCoreApplication::instance()) {
        quitWatched = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { Request.reset(); });
    }
    static uint64_t lastId = 0;
    const uint64_t id = ++lastId;
    Request = std::make_unique<VersionCheckRequest>();
    Request->id = id;
    Request->url = url;
    Request->manual = manual;
    return Request->client.Get(QString::fromStdString(url), [id](const HttpResult& result) {
        if (!Request || Request->id != id)
            return;
        const bool manualRequest = Request->manual;
        OnVersionCheckReply(result.body.constData(), static_cast<size_t>(result.body.size()), result.success);
        // Asked for, silence would look like a hang.
        if (manualRequest && result.noConnection && Ui.tell)
            Ui.tell(QString::fromLatin1(kNoInternetText));
    });
}

}  // namespace

void SetVersionCheckUi(const VersionCheckUi& ui)
{
    Ui = ui;
}

void SetVersionServerAddress(const std::string& address)
{
    ServerAddress = address;
}

void EnableAutomaticVersionCheck(bool enable)
{
    AutomaticEnabled = enable;
}

bool IsVersionCheckRunning()
{
    return Request != nullptr;
}

bool IsInternetConnected()
{
    static bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation* information = loaded ? QNetworkInformation::instance() : nullptr;
    return !information || information->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void CheckForNewVersion(bool manual)
{
    if ((!manual && !AutomaticEnabled) || Request || !IsInternetConnected())
        return;
    KoviPrefs& prefs = GetKoviPrefs();
    const int64_t now = Now();
    if (prefs.lastCheck == 0 && !ReadKoviPrefs()) {
        // First run: the schedule starts now, and nothing is asked yet.
        prefs = FirstRunKoviPrefs(now);
        WriteKoviPrefs();
        return;
    }
    if (!manual && !IsAutomaticCheckDue(prefs, now))
        return;
    StopVersionCheck();
    if (prefs.askFirst || manual) {
        NoteCheckTime();
        if (!AskVersionCheck())
            return;
    }
    StartVersionCheck(VersionQuery(), manual);
}

void OnCheckForUpdates()
{
    if (!IsInternetConnected()) {
        if (Ui.tell)
            Ui.tell(QString::fromLatin1(kNoInternetText));
        return;
    }
    CheckForNewVersion(true);
}

bool StopVersionCheck()
{
    Request.reset();
    return true;
}

bool AskVersionCheck()
{
    KoviPrefs& prefs = GetKoviPrefs();
    bool dontAsk = prefs.askFirst == 0;
    const int result = Ui.ask ? Ui.ask(&dontAsk) : QDialog::Rejected;
    prefs.notAskedYet = 0;
    prefs.askFirst = !dontAsk;
    prefs.enabled = result != kDisableCheckingResult;
    NoteCheckTime();
    WriteKoviPrefs();
    return result == QDialog::Accepted;
}

void OnVersionCheckReply(const char* bytes, size_t size, bool success)
{
    KoviPrefs& prefs = GetKoviPrefs();
    NoteCheckTime();
    WriteKoviPrefs();
    VersionReply reply;
    // An error page of a proxy or of the server is no answer.
    if (success && ParseVersionReply(bytes, size, &reply)) {
        if (reply.hasInterval) {
            prefs.interval = reply.intervalSeconds;
            WriteKoviPrefs();
        }
        int32_t release[4];
        const CDLLVersion program = CDLLVersion::Program();
        const uint32_t mine[4] = {program.major, program.minor, program.third, program.fourth};
        if (ParseReleaseVersion(reply.releaseVersion, release) && program.valid && IsNewerRelease(mine, release)) {
            // The request ends before the dialog, which runs its own loop.
            StopVersionCheck();
            ShowNewVersionDialog(QStringLiteral("%1.%2.%3.%4").arg(release[0]).arg(release[1]).arg(release[2]).arg(
                                     release[3]),
                                 QString::fromStdString(reply.releaseUrl));
        }
    }
    StopVersionCheck();
}

void ShowNewVersionDialog(const QString& version, const QString& url)
{
    const QString message =
        QStringLiteral("Vellumor just checked with the version server and it says a new version (%1) is now available.")
            .arg(version);
    const int result = Ui.offer ? Ui.offer(message) : QDialog::Rejected;
    if (result == kDisableCheckingResult) {
        GetKoviPrefs().enabled = 0;
        WriteKoviPrefs();
    } else if (result == QDialog::Accepted && IsDownloadAddress(url.toStdString()) && Ui.openAddress) {
        Ui.openAddress(url);
    }
}
