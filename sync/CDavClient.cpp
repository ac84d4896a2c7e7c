#include "CDavClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>

namespace {

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A redirect may lead to another path of the same server, or from http to https of the same host;
// anything else would hand the credentials to someone else.
bool SameServer(const QUrl& from, const QUrl& to) {
    if (to.host().compare(from.host(), Qt::CaseInsensitive) != 0)
        return false;
    if (to.scheme() == from.scheme())
        return to.port(-1) == from.port(-1);
    return from.scheme() == QLatin1String("http") && to.scheme() == QLatin1String("https");
}

} // namespace

CDavClient::CDavClient(const QString& strUser, const QString& strPassword,
                       const std::atomic<bool>& bCancel)
    : m_bCancel(bCancel), m_pManager(new QNetworkAccessManager) {
    m_strAuthorization = "Basic " + (strUser + QLatin1Char(':') + strPassword).toUtf8().toBase64();
    // Credentials go in every request's header; the manager must never cache or ask for them.
    m_pManager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_pManager->setAutoDeleteReplies(false);
}

CDavClient::~CDavClient() {
    m_strAuthorization.fill('\0');
    delete m_pManager;
}

QString CDavClient::Display(const QUrl& url) {
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

QNetworkReply* CDavClient::Start(const Request& request, const QUrl& url) {
    QNetworkRequest r(url);
    r.setRawHeader("Authorization", m_strAuthorization);
    r.setRawHeader("User-Agent", "Velloby");
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    r.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    // A large address book takes a slow server minutes to list the first time; a server that
    // sends nothing for this long is taken to be gone.
    r.setTransferTimeout(300'000);
    if (!request.strContentType.isEmpty())
        r.setHeader(QNetworkRequest::ContentTypeHeader, request.strContentType);
    if (!request.strDepth.isEmpty())
        r.setRawHeader("Depth", request.strDepth);
    if (!request.strIfMatch.isEmpty())
        r.setRawHeader("If-Match", request.strIfMatch);
    if (request.bIfNoneMatch)
        r.setRawHeader("If-None-Match", "*");
    QNetworkReply* reply = nullptr;
    if (request.strMethod == "GET")
        reply = m_pManager->get(r);
    else if (request.strMethod == "DELETE")
        reply = m_pManager->deleteResource(r);
    else
        reply = m_pManager->sendCustomRequest(r, request.strMethod, request.strBody);
    return reply;
}

CDavClient::Reply CDavClient::Send(const Request& request) {
    return SendAll({request}).front();
}

std::vector<CDavClient::Reply> CDavClient::SendAll(const std::vector<Request>& requests,
                                                   const std::function<void(size_t)>& onReply) {
    std::vector<Reply> replies(requests.size());
    if (requests.empty())
        return replies;
    struct Flight {
        QNetworkReply* pReply = nullptr;
        size_t nIndex = 0;
        QUrl url;
        int nRedirects = 0;
        bool bTooLarge = false;
    };
    std::vector<Flight> flights;
    size_t nNext = 0;
    QEventLoop loop;

    std::function<void(size_t, const QUrl&, int)> launch;
    launch = [&](size_t index, const QUrl& url, int nRedirects) {
        Flight flight;
        flight.nIndex = index;
        flight.url = url;
        flight.nRedirects = nRedirects;
        flight.pReply = Start(requests[index], url);
        QNetworkReply* reply = flight.pReply;
        flights.push_back(flight);
        // A certificate that fails stays a failure: its reason is kept, nothing is ignored.
        QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                         [reply, index, &replies](const QList<QSslError>& errors) {
                             QStringList reasons;
                             for (const QSslError& error : errors)
                                 reasons.append(error.errorString());
                             replies[index].strError =
                                 QStringLiteral("the server's certificate was refused: %1")
                                     .arg(reasons.join(QStringLiteral("; ")));
                         });
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [reply, &flights](qint64 received, qint64) {
                             if (received > kMaxAnswer) {
                                 for (Flight& f : flights)
                                     if (f.pReply == reply)
                                         f.bTooLarge = true;
                                 reply->abort();
                             }
                         });
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply]() {
            auto it = std::find_if(flights.begin(), flights.end(),
                                   [reply](const Flight& f) { return f.pReply == reply; });
            if (it == flights.end())
                return;
            Flight done = *it;
            flights.erase(it);
            reply->deleteLater();
            Reply& out = replies[done.nIndex];
            out.url = done.url;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (m_bCancel.load()) {
                out.bCancelled = true;
            } else if (done.bTooLarge) {
                out.strError = QStringLiteral("the server's answer from %1 is too large")
                                   .arg(Display(done.url));
            } else if (IsRedirect(status)) {
                const QUrl target = done.url.resolved(
                    QUrl::fromEncoded(reply->rawHeader("Location"), QUrl::StrictMode));
                if (!target.isValid() || done.nRedirects >= kMaxRedirects) {
                    out.strError = QStringLiteral("the server at %1 redirects too often")
                                       .arg(Display(done.url));
                } else if (!SameServer(done.url, target)) {
                    out.strError = QStringLiteral("the server at %1 redirects to another server "
                                                  "(%2), which is not followed")
                                       .arg(Display(done.url), Display(target));
                } else {
                    launch(done.nIndex, target, done.nRedirects + 1);
                    return;
                }
            } else {
                out.nStatus = status;
                out.strEtag = reply->rawHeader("ETag");
                if (reply->isOpen())
                    out.strBody = reply->readAll();
                const QNetworkReply::NetworkError error = reply->error();
                // HTTP error statuses are answers, handled by the caller; only failures to get
                // an answer at all are errors here.
                if (status == 0 && out.strError.isEmpty()) {
                    out.strError = error == QNetworkReply::OperationCanceledError
                                       ? QStringLiteral("the server at %1 did not answer in time")
                                             .arg(Display(done.url))
                                       : QStringLiteral("%1 (%2)").arg(reply->errorString(),
                                                                       Display(done.url));
                }
            }
            if (onReply)
                onReply(done.nIndex);
            if (nNext < requests.size() && !m_bCancel.load()) {
                const size_t index = nNext++;
                launch(index, requests[index].url, 0);
            }
            if (flights.empty())
                loop.quit();
        });
    };

    while (nNext < requests.size() && int(flights.size()) < kParallel) {
        const size_t index = nNext++;
        launch(index, requests[index].url, 0);
    }
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&]() {
        if (!m_bCancel.load())
            return;
        // Aborting finishes a reply at once, which takes it out of `flights`.
        std::vector<QNetworkReply*> open;
        for (const Flight& flight : flights)
            open.push_back(flight.pReply);
        for (QNetworkReply* reply : open)
            reply->abort();
    });
    watch.start();
    if (!flights.empty())
        loop.exec();
    for (size_t i = nNext; i < requests.size(); ++i)
        replies[i].bCancelled = true;
    return replies;
}
