// The version check: on a schedule (from the frame's idle work) or when the
// user asks, the version server is asked whether a newer release exists,
// and its download is offered. One request at a time; it runs in the
// background and its reply is handled on the interface thread.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

// What the check shows; tests replace the dialogs and boxes.
struct VersionCheckUi {
    // The ask dialog, with "Don't ask again" ticked as given and read
    // back: QDialog::Accepted (Connect), Rejected (Later) or 1113 (Disable
    // checking).
    int (*ask)(bool* dontAsk) = nullptr;
    // The new-version dialog with its message, same results (Download).
    int (*offer)(const QString& message) = nullptr;
    void (*openAddress)(const QString& url) = nullptr;
    void (*tell)(const QString& text) = nullptr;
};
void SetVersionCheckUi(const VersionCheckUi& ui);

// Scheme, host and port of the version server.
void SetVersionServerAddress(const std::string& address);
// Until this is called (at the program's start), automatic checks do nothing.
void EnableAutomaticVersionCheck(bool enable = true);

// The entry point: automatic (manual false) from the idle work, manual from
// Check for updates....
void CheckForNewVersion(bool manual);
// Check for updates...: says so when the computer has no network.
void OnCheckForUpdates();
// Ends a running request; its reply is never handled. Always true.
bool StopVersionCheck();
bool IsVersionCheckRunning();
// False only when the system reports that no network is reachable.
bool IsInternetConnected();
// Runs the ask dialog and records the answer; true for Connect.
bool AskVersionCheck();
// The reply of the running request (the body, and whether it was a 200).
void OnVersionCheckReply(const char* bytes, size_t size, bool success);
// Offers the release; version is "a.b.c.d".
void ShowNewVersionDialog(const QString& version, const QString& url);

extern const char kNoInternetText[];
