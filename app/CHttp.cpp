#include "app/CHttp.h"

#include "app/VersionReply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

int TimeLimit = 30000;
constexpr int kErrorTextLimit = 300;

}  // namespace

void CHttp::SetTimeLimit(int milliseconds)
{
    TimeLimit = milliseconds;
}

CHttp::CHttp() : m_manager(new QNetworkAccessManager), m_timer(new QTimer)
{
    m_timer->setSingleShot(true);
    QObject::connect(m_timer, &QTimer::timeout, m_manager, [this] {
        if (!m_reply)
            return;
        m_timedOut = true;
        // Ends the reply with an error; OnFinished reports it.
        m_reply->abort();
    });
}

CHttp::~CHttp()
{
    Abort();
    // The client may end inside its own reply's handling, or under a dialog
    // that handling opened: the objects go once control is back there.
    m_timer->stop();
    m_timer->deleteLater();
    m_manager->deleteLater();
}

bool CHttp::Get(const QString& url, Done done)
{
    if (m_reply)
        return false;
    errorText.clear();
    m_url = url;
    m_body.clear();
    m_oversized = m_timedOut = false;
    m_done = std::move(done);
    QNetworkRequest request{QUrl(url)};
    // Redirects could lead anywhere; the server answers at its address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_reply = m_manager->get(request);
    QObject::connect(m_reply, &QNetworkReply::readyRead, m_manager, [this] { OnReadyRead(); });
    QObject::connect(m_reply, &QNetworkReply::finished, m_manager, [this] { OnFinished(); });
    m_timer->start(TimeLimit);
    return true;
}

void CHttp::OnReadyRead()
{
    if (!m_reply || !m_reply->isOpen())
        return;
    const QByteArray block = m_reply->read(static_cast<qint64>(kVersionReplyLimit) + 1 - m_body.size());
    m_body.append(block);
    if (static_cast<size_t>(m_body.size()) > kVersionReplyLimit) {
        m_oversized = true;
        m_reply->abort();
    }
}

void CHttp::OnFinished()
{
    if (!m_reply)
        return;
    if (!m_oversized)
        OnReadyRead();
    HttpResult result;
    const QNetworkReply::NetworkError error = m_reply->error();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_oversized) {
        errorText = QStringLiteral("The reply is too long.");
    } else if (m_timedOut) {
        errorText = QStringLiteral("Operation interrupted.");
        result.noConnection = true;
    } else if (error == QNetworkReply::ConnectionRefusedError || error == QNetworkReply::HostNotFoundError ||
               error == QNetworkReply::TimeoutError || error == QNetworkReply::UnknownNetworkError ||
               error == QNetworkReply::NetworkSessionFailedError || error == QNetworkReply::TemporaryNetworkFailureError ||
               error == QNetworkReply::RemoteHostClosedError) {
        errorText = QStringLiteral("Request failed.  Can't connect to ") + m_url;
        result.noConnection = status == 0;
    } else if (error != QNetworkReply::NoError && status == 0) {
        errorText = m_reply->errorString().left(kErrorTextLimit);
    }
    result.success = !m_oversized && !m_timedOut && error == QNetworkReply::NoError && status == 200;
    if (!m_oversized)
        result.body = m_body;
    Done done = std::move(m_done);
    Release();
    // Handled from the event loop, not inside the reply's signal.
    if (done)
        QMetaObject::invokeMethod(m_manager, [done, result] { done(result); }, Qt::QueuedConnection);
}

void CHttp::Release()
{
    m_timer->stop();
    if (m_reply) {
        QObject::disconnect(m_reply, nullptr, m_manager, nullptr);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_done = nullptr;
}

void CHttp::Abort()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    Release();
    reply->abort();
}
