#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <atomic>
#include <functional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// HTTP requests of a CardDAV sync, made one or several at a time and waited for in a local event
// loop of the calling thread. Every request carries the account's Basic credentials; redirects
// are followed only within the same server and at most kMaxRedirects times; an answer larger than
// kMaxAnswer is cut off as a failure; a certificate that fails is a failure with its reason.
// Error texts never hold the password or the user part of a URL.
class CDavClient {
public:
    static constexpr int kMaxRedirects = 5;
    static constexpr qint64 kMaxAnswer = 512LL * 1024 * 1024;
    // Requests in flight at once: enough to hide the round trips, few enough not to flood a
    // small server.
    static constexpr int kParallel = 4;

    struct Request {
        QByteArray strMethod;
        QUrl url;
        QByteArray strBody;
        QByteArray strContentType;
        QByteArray strDepth;       // "0" or "1"; empty for none
        QByteArray strIfMatch;     // an ETag
        bool bIfNoneMatch = false; // If-None-Match: *
    };
    struct Reply {
        int nStatus = 0; // the HTTP status; 0 when no answer came
        QByteArray strBody;
        QByteArray strEtag;
        QUrl url;         // where the answer came from, after redirects
        QString strError; // a network or certificate failure, in words; empty otherwise
        bool bCancelled = false;
    };

    CDavClient(const QString& strUser, const QString& strPassword,
               const std::atomic<bool>& bCancel);
    ~CDavClient();
    CDavClient(const CDavClient&) = delete;
    CDavClient& operator=(const CDavClient&) = delete;

    Reply Send(const Request& request);
    // Sends all of `requests`, at most kParallel at a time, and returns their replies in the same
    // order. `onReply(index)` is called as each one finishes (for progress).
    std::vector<Reply> SendAll(const std::vector<Request>& requests,
                               const std::function<void(size_t)>& onReply = {});

    // `url` for messages: without user name or password.
    static QString Display(const QUrl& url);

private:
    QNetworkReply* Start(const Request& request, const QUrl& url);
    QByteArray m_strAuthorization;
    const std::atomic<bool>& m_bCancel;
    QNetworkAccessManager* m_pManager;
};
