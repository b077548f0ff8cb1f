// A small HTTP GET client for the version check. The request runs in the
// background of the interface thread's event loop: nothing here blocks.
// The body is capped at kVersionReplyLimit, and a request that has not
// ended within the time limit is abandoned.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

struct HttpResult {
    // The server answered with status 200 and a body within the limit.
    bool success = false;
    // No answer came: the connection failed, was refused or timed out.
    bool noConnection = false;
    QByteArray body;
};

class CHttp {
public:
    using Done = std::function<void(const HttpResult&)>;

    CHttp();
    ~CHttp();
    CHttp(const CHttp&) = delete;
    CHttp& operator=(const CHttp&) = delete;

    // Starts the request; done runs once, later, from this thread's event
    // loop. After an abort it may still run with a failed result, so the
    // caller tells its requests apart. False when one already runs.
    bool Get(const QString& url, Done done);
    // Abandons the running request.
    void Abort();
    bool IsRunning() const { return m_reply != nullptr; }

    // Kept in the client and not shown.
    QString errorText;

    // The whole request's time limit (30 s unless set).
    static void SetTimeLimit(int milliseconds);

private:
    void OnReadyRead();
    void OnFinished();
    void Release();

    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
    QTimer* m_timer;
    QString m_url;
    QByteArray m_body;
    bool m_oversized = false;
    bool m_timedOut = false;
    Done m_done;
};
