#pragma once

// Helpers of the tests that sync with the real server: address books of their own, a second
// client speaking plain HTTP, and documents of made-up entries.

#include "CSyncSession.h"

#include <CNotesLabel.h>
#include <CVornDoc.h>

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <QXmlStreamReader>
#include <memory>

namespace synctest {

inline const char* kUser = "velloby";
inline const char* kPassword = "velloby-test";

inline QString ServerDir() {
    return qEnvironmentVariable("VELLOBY_TEST_RADICALE_DIR");
}

inline QString ReadLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

struct SReply {
    int nStatus = 0;
    QByteArray strBody;
    QByteArray strEtag;
};

// One plain HTTP request, as a second client would make it.
inline SReply Http(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                   const QList<QPair<QByteArray, QByteArray>>& headers = {},
                   const QString& password = QString::fromLatin1(kPassword)) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setRawHeader(
        "Authorization",
        "Basic " + (QString::fromLatin1(kUser) + QLatin1Char(':') + password).toUtf8().toBase64());
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    SReply out;
    out.nStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.strBody = reply->readAll();
    out.strEtag = reply->rawHeader("ETag");
    delete reply;
    return out;
}

// A fresh, empty address book on the server at `base` (http://host:port/).
inline QUrl NewBook(const QString& base) {
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QUrl url(base + QString::fromLatin1(kUser) + QLatin1Char('/') + name + QLatin1Char('/'));
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
        "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
        "</D:prop></D:set></D:mkcol>";
    const SReply reply = Http("MKCOL", url, body, {{"Content-Type", "application/xml"}});
    if (reply.nStatus != 201)
        qWarning("MKCOL %s gave %d", qPrintable(url.toString()), reply.nStatus);
    return url;
}

inline QString SharedBase() {
    return ReadLine(ServerDir() + QStringLiteral("/url"));
}

// Every card of the address book: href (path) -> card text.
inline QMap<QByteArray, QByteArray> Cards(const QUrl& book) {
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<C:addressbook-query xmlns:D=\"DAV:\" "
                            "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop><D:getetag/>"
                            "<C:address-data/></D:prop></C:addressbook-query>";
    const SReply reply =
        Http("REPORT", book, body, {{"Depth", "1"}, {"Content-Type", "application/xml"}});
    QMap<QByteArray, QByteArray> cards;
    // The test's own reading of the answer: each href with the card after it.
    QXmlStreamReader xml(reply.strBody);
    QByteArray href;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("href"))
            href = xml.readElementText().toUtf8();
        else if (xml.name() == QLatin1String("address-data"))
            cards.insert(href, xml.readElementText().toUtf8());
    }
    return cards;
}

inline SReply PutCard(const QUrl& book, const QByteArray& name, const QByteArray& card,
                      const QByteArray& ifMatch = {}) {
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/vcard; charset=utf-8"}};
    if (!ifMatch.isEmpty())
        headers.append({"If-Match", ifMatch});
    return Http("PUT", book.resolved(QUrl(QString::fromUtf8(name))), card, headers);
}

inline CPerson Person(int i, const QByteArray& prefix = "Person") {
    CPerson p;
    p.m_strName = prefix + ' ' + QByteArray::number(i);
    p.m_strAddress = QByteArray::number(i) + " Main Street";
    p.m_strCity = "Springfield";
    p.m_strPhone = "+1 555 " + QByteArray::number(1000 + i) + " (home)";
    p.m_strEmail = "p" + QByteArray::number(i) + "@example.test";
    if (i % 3 == 0)
        p.m_groups = {"Friends"};
    return p;
}

// A document and the path of its contact file in a temporary folder.
struct SFile {
    CNotesLabel label;
    std::unique_ptr<CVornDoc> pDoc = std::make_unique<CVornDoc>(label);
    QString strPath;
    CVornDoc& doc() { return *pDoc; }
    void Add(const CPerson& person) {
        pDoc->m_personList.push_back(std::make_unique<CPerson>(person));
    }
    // The entries' names, sorted.
    QList<QByteArray> Names() const {
        QList<QByteArray> names;
        for (const auto& p : pDoc->m_personList)
            names.append(p->m_strName);
        std::sort(names.begin(), names.end());
        return names;
    }
    const CPerson* Find(const QByteArray& name) const {
        for (const auto& p : pDoc->m_personList)
            if (p->m_strName == name)
                return p.get();
        return nullptr;
    }
    CPerson* Find(const QByteArray& name) {
        return const_cast<CPerson*>(std::as_const(*this).Find(name));
    }
    // Saves, drops and reads the file again, as a later run of the program would.
    void Reopen() {
        QString error;
        QVERIFY2(pDoc->OnSaveDocument(strPath, &error), qPrintable(error));
        pDoc = std::make_unique<CVornDoc>(label);
        QVERIFY2(pDoc->OnOpenDocument(strPath, &error), qPrintable(error));
    }
};

inline CSyncAccount Account(const QUrl& url) {
    CSyncAccount account;
    account.url = url;
    account.strUser = QString::fromLatin1(kUser);
    account.strPassword = QString::fromLatin1(kPassword);
    return account;
}

} // namespace synctest
