// The client against a server of the test's own that answers from a script: redirect loops,
// answers that page forever, refused passwords, pages that are not CardDAV, hostile XML and an
// address book too large for a contact file. Every one ends in a clear failure, within a bounded
// number of requests, with nothing changed.
#include "CSyncSession.h"

#include <CNotesLabel.h>
#include <CVornDoc.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

struct SRequest {
    QByteArray strMethod;
    QByteArray strPath;
    QByteArray strBody;
    QByteArray strAuthorization;
};

// Answers each request with what `m_fnAnswer` gives (a whole HTTP response), then closes.
class CScriptedServer : public QObject {
public:
    std::function<QByteArray(const SRequest&)> m_fnAnswer;
    QList<SRequest> m_requests;

    CScriptedServer() {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    const qsizetype end = buffer->indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QList<QByteArray> lines = buffer->left(end).split('\n');
                    qsizetype length = 0;
                    SRequest request;
                    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                    request.strMethod = first.value(0);
                    request.strPath = first.value(1);
                    for (const QByteArray& line : lines) {
                        const QByteArray lower = line.toLower();
                        if (lower.startsWith("content-length:"))
                            length = line.mid(15).trimmed().toLongLong();
                        if (lower.startsWith("authorization:"))
                            request.strAuthorization = line.mid(14).trimmed();
                    }
                    if (buffer->size() < end + 4 + length)
                        return;
                    request.strBody = buffer->mid(end + 4, length);
                    buffer->clear();
                    m_requests.append(request);
                    socket->write(m_fnAnswer(request));
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

private:
    QTcpServer m_server;
};

QByteArray Answer(int status, const QByteArray& body, const QByteArray& headers = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nContent-Type: application/xml\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

QByteArray Multistatus(const QByteArray& inner) {
    return "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\" "
           "xmlns:C=\"urn:ietf:params:xml:ns:carddav\">" +
           inner + "</multistatus>";
}

// The address book /book/ that says what it is, offering sync-collection.
QByteArray BookAnswer() {
    return Answer(207, Multistatus("<response><href>/book/</href><propstat><prop><resourcetype>"
                                   "<collection/><C:addressbook/></resourcetype>"
                                   "<supported-report-set><supported-report><report>"
                                   "<sync-collection/></report></supported-report>"
                                   "</supported-report-set></prop><status>HTTP/1.1 200 OK"
                                   "</status></propstat></response>"));
}

} // namespace

class TestDavAnswers : public QObject {
    Q_OBJECT

private slots:
    void failures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("script");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("maxRequests");
        QTest::newRow("redirect loop") << "/book/" << 0 << "redirects too often" << 10;
        QTest::newRow("redirect to another server") << "/book/" << 1 << "another server" << 2;
        QTest::newRow("wrong password")
            << "/book/" << 2 << "The server refused the user name or password." << 2;
        QTest::newRow("a web page, not CardDAV") << "/book/" << 3 << "not a CardDAV server" << 2;
        QTest::newRow("hostile XML") << "/book/" << 4 << "document type" << 2;
        QTest::newRow("pages without end") << "/book/" << 5 << "keeps sending" << 210;
        QTest::newRow("more contacts than a file holds") << "/book/" << 6 << "65,535" << 3;
        QTest::newRow("broken answer to the listing") << "/book/" << 7 << "could not be read" << 3;
        QTest::newRow("no address book for the user") << "/" << 8 << "holds no address book" << 5;
    }
    void failures() {
        QFETCH(QString, path);
        QFETCH(int, script);
        QFETCH(QString, error);
        QFETCH(int, maxRequests);
        CScriptedServer server;
        int nPage = 0;
        server.m_fnAnswer = [&](const SRequest& request) -> QByteArray {
            const bool bPropfind = request.strMethod == "PROPFIND";
            switch (script) {
            case 0:
                return Answer(301, {}, "Location: " + request.strPath + "\r\n");
            case 1:
                return Answer(302, {}, "Location: http://elsewhere.invalid/book/\r\n");
            case 2:
                return Answer(401, "no", "WWW-Authenticate: Basic realm=\"x\"\r\n");
            case 3:
                return Answer(200, "<html><body>Welcome</body></html>");
            case 4:
                return Answer(207, "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaa\">"
                                   "<!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]><multistatus "
                                   "xmlns=\"DAV:\"><response><href>&b;</href></response>"
                                   "</multistatus>");
            case 5:
                if (bPropfind)
                    return BookAnswer();
                // Every page says there is more, under a new token.
                ++nPage;
                return Answer(207, Multistatus("<sync-token>t" + QByteArray::number(nPage) +
                                               "</sync-token><response><href>/book/" +
                                               QByteArray::number(nPage) +
                                               ".vcf</href><propstat><prop><getetag>\"1\""
                                               "</getetag></prop></propstat></response>"
                                               "<response><href>/book/</href><status>HTTP/1.1 "
                                               "507 Insufficient Storage</status></response>"));
            case 6: {
                if (bPropfind)
                    return BookAnswer();
                QByteArray inner = "<sync-token>t</sync-token>";
                for (int i = 0; i <= int(CVornDoc::kMaxEntries); ++i)
                    inner += "<response><href>/book/" + QByteArray::number(i) +
                             ".vcf</href><propstat><prop><getetag>\"1\"</getetag></prop>"
                             "</propstat></response>";
                return Answer(207, Multistatus(inner));
            }
            case 7:
                if (bPropfind)
                    return BookAnswer();
                return Answer(
                    207, Multistatus("<response><href>/book/1.vcf</href><propstat>").left(120));
            case 8:
                // A principal whose home holds only a calendar.
                if (request.strPath == "/")
                    return Answer(207, Multistatus("<response><href>/</href><propstat><prop>"
                                                   "<current-user-principal><href>/p/</href>"
                                                   "</current-user-principal></prop>"
                                                   "</propstat></response>"));
                if (request.strPath == "/p/")
                    return Answer(207, Multistatus("<response><href>/p/</href><propstat><prop>"
                                                   "<C:addressbook-home-set><href>/h/</href>"
                                                   "</C:addressbook-home-set></prop>"
                                                   "</propstat></response>"));
                return Answer(207, Multistatus("<response><href>/h/</href><propstat><prop>"
                                               "<resourcetype><collection/></resourcetype>"
                                               "</prop></propstat></response><response>"
                                               "<href>/h/cal/</href><propstat><prop>"
                                               "<resourcetype><collection/></resourcetype>"
                                               "</prop></propstat></response>"));
            }
            return Answer(500, {});
        };

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("f.vby"));
        CNotesLabel label;
        CVornDoc doc(label);
        CPerson person;
        person.m_strName = "Kept";
        doc.m_personList.push_back(std::make_unique<CPerson>(person));
        CSyncAccount account;
        account.url = QUrl(server.Url(path));
        account.strUser = QStringLiteral("me");
        account.strPassword = QStringLiteral("pass-word");
        const CSyncResult result = CSyncSession::RunBlocking(doc, file, account);
        QVERIFY(!result.bOk);
        QVERIFY2(result.strError.contains(error), qPrintable(result.strError));
        QVERIFY(!result.strError.contains(QStringLiteral("pass-word")));
        QCOMPARE(result.bAuthFailed, script == 2);
        QVERIFY(!result.bDocumentChanged);
        QCOMPARE(doc.m_personList.size(), size_t(1));
        QVERIFY2(server.m_requests.size() <= maxRequests,
                 qPrintable(QString::number(server.m_requests.size())));
        for (const SRequest& request : server.m_requests) {
            QVERIFY(request.strMethod != "PUT" && request.strMethod != "DELETE");
            QCOMPARE(request.strAuthorization, "Basic " + QByteArray("me:pass-word").toBase64());
        }
    }
};

QTEST_GUILESS_MAIN(TestDavAnswers)
#include "TestDavAnswers.moc"
