// Server answers read by the multistatus reader: the shapes real servers send, and broken,
// truncated, huge and hostile ones, which must end in an error and never in a crash or a runaway
// allocation.
#include "CMultiStatusParser.h"

#include <QTest>

class TestMultiStatus : public QObject {
    Q_OBJECT

private slots:
    void readsAnswers_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QByteArray>("token");
        // One line per response: href|status|etag|card|flags (c collection, a address book,
        // s sync-collection)|principal|home set
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("sync-collection with a change and a delete")
            << QByteArray("<?xml version='1.0' encoding='utf-8'?>\n"
                          "<multistatus xmlns=\"DAV:\"><sync-token>tok-2</sync-token>"
                          "<response><href>/u/c/a.vcf</href><propstat><prop>"
                          "<getetag>\"e1\"</getetag></prop><status>HTTP/1.1 200 OK</status>"
                          "</propstat></response>"
                          "<response><href>/u/c/b.vcf</href>"
                          "<status>HTTP/1.1 404 Not Found</status></response></multistatus>")
            << QByteArray("tok-2") << QStringList{"/u/c/a.vcf|0|\"e1\"|||", "/u/c/b.vcf|404||||"};
        QTest::newRow("prefixed namespaces, multiget with a card and escapes")
            << QByteArray("<D:multistatus xmlns:D=\"DAV:\" "
                          "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:response>"
                          "<D:href>/c/x%20y.vcf</D:href><D:propstat><D:prop>"
                          "<D:getetag> \"w/1\" </D:getetag><C:address-data>BEGIN:VCARD&#13;\n"
                          "FN:A &amp; B &lt;x&gt;&#13;\nEND:VCARD&#13;\n</C:address-data>"
                          "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
                          "</D:response></D:multistatus>")
            << QByteArray()
            << QStringList{"/c/x%20y.vcf|0|\"w/1\"|BEGIN:VCARD\r\nFN:A & B <x>\r\nEND:VCARD\r\n||"};
        QTest::newRow("a failed propstat gives no values")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/c/</href>"
                          "<propstat><prop><getetag>\"bad\"</getetag></prop>"
                          "<status>HTTP/1.1 404 Not Found</status></propstat>"
                          "<propstat><prop><resourcetype><collection/>"
                          "<addressbook xmlns=\"urn:ietf:params:xml:ns:carddav\"/></resourcetype>"
                          "</prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                          "</multistatus>")
            << QByteArray() << QStringList{"/c/|0|||ca|"};
        QTest::newRow("discovery values")
            << QByteArray("<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                          "<response><href>/</href><propstat><prop>"
                          "<current-user-principal><href>/p/me/</href></current-user-principal>"
                          "<C:addressbook-home-set><href>/home/me/</href><href>/2/</href>"
                          "</C:addressbook-home-set><supported-report-set><supported-report>"
                          "<report><sync-collection/></report></supported-report>"
                          "</supported-report-set></prop><status>HTTP/1.1 200 OK</status>"
                          "</propstat></response></multistatus>")
            << QByteArray() << QStringList{"/|0|||s|/p/me/|/home/me/"};
        QTest::newRow("elements of other namespaces are stepped over")
            << QByteArray("<multistatus xmlns=\"DAV:\" xmlns:X=\"urn:x\"><X:junk><response>"
                          "<href>/no</href></response></X:junk><response><X:href>/x</X:href>"
                          "<href>/c/1.vcf</href><propstat><prop><X:getetag>no</X:getetag>"
                          "<getetag>\"1\"</getetag></prop></propstat></response></multistatus>")
            << QByteArray() << QStringList{"/c/1.vcf|0|\"1\"|||"};
        QTest::newRow("empty multistatus")
            << QByteArray("<multistatus xmlns=\"DAV:\"/>") << QByteArray() << QStringList{};
    }
    void readsAnswers() {
        QFETCH(QByteArray, xml);
        QFETCH(QByteArray, token);
        QFETCH(QStringList, expected);
        CMultiStatusParser parser;
        QVERIFY2(parser.Parse(xml), qPrintable(parser.m_strError));
        QCOMPARE(parser.m_strSyncToken, token);
        QStringList got;
        for (const auto& r : parser.m_responses) {
            QString flags;
            if (r.bCollection)
                flags += QLatin1Char('c');
            if (r.bAddressBook)
                flags += QLatin1Char('a');
            if (r.bSyncCollection)
                flags += QLatin1Char('s');
            QString line = QString::fromUtf8(r.strHref) + QLatin1Char('|') +
                           QString::number(r.nStatus) + QLatin1Char('|') +
                           QString::fromUtf8(r.strEtag) + QLatin1Char('|') +
                           QString::fromUtf8(r.strCard) + QLatin1Char('|') + flags;
            if (!r.strPrincipal.isEmpty() || !r.strHomeSet.isEmpty())
                line += QLatin1Char('|') + QString::fromUtf8(r.strPrincipal) + QLatin1Char('|') +
                        QString::fromUtf8(r.strHomeSet);
            else
                line += QLatin1Char('|');
            got.append(line);
        }
        QCOMPARE(got, expected);
    }

    void refusesBadAnswers_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("reason");
        const QByteArray good = "<multistatus xmlns=\"DAV:\"><response><href>/c/a.vcf</href>"
                                "<propstat><prop><getetag>\"1\"</getetag></prop></propstat>"
                                "</response></multistatus>";
        QTest::newRow("empty") << QByteArray() << "not valid XML";
        QTest::newRow("not XML") << QByteArray("<html>502 Bad Gateway") << "not a multistatus";
        QTest::newRow("HTML error page")
            << QByteArray("<html><body>error</body></html>") << "not a multistatus";
        for (int cut : {10, 40, 80, int(good.size()) - 1})
            QTest::newRow(qPrintable(QStringLiteral("truncated at %1").arg(cut)))
                << good.left(cut) << "not valid XML";
        QTest::newRow("mismatched tags")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response></href></multistatus>")
            << "not valid XML";
        QTest::newRow("response without href")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><status>HTTP/1.1 200 OK"
                          "</status></response></multistatus>")
            << "without an address";
        QTest::newRow("billion laughs")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
                          "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
                          "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>"
                          "<multistatus xmlns=\"DAV:\"><response><href>&lol3;</href>"
                          "</response></multistatus>")
            << "document type";
        QTest::newRow("external entity")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY x SYSTEM "
                          "\"file:///etc/passwd\">]><multistatus xmlns=\"DAV:\"><response>"
                          "<href>&x;</href></response></multistatus>")
            << "document type";
        QTest::newRow("undeclared entity")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>&x;</href></response>"
                          "</multistatus>")
            << "";
        QByteArray deep = "<multistatus xmlns=\"DAV:\"><response><href>/a</href>";
        for (int i = 0; i < 100000; ++i)
            deep += "<x>";
        QTest::newRow("deep nesting") << deep << "nested too deeply";
        QByteArray huge = "<multistatus xmlns=\"DAV:\"><response><href>";
        huge += QByteArray(CMultiStatusParser::kMaxText + 10, 'a');
        huge += "</href></response></multistatus>";
        QTest::newRow("huge value") << huge << "too long";
    }
    void refusesBadAnswers() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, reason);
        CMultiStatusParser parser;
        QVERIFY(!parser.Parse(xml));
        QVERIFY(parser.m_responses.empty());
        QVERIFY(!parser.m_strError.isEmpty());
        QVERIFY2(parser.m_strError.contains(reason), qPrintable(parser.m_strError));
    }

    // Many responses in one answer are read in one pass.
    void manyResponses() {
        QByteArray xml = "<multistatus xmlns=\"DAV:\">";
        for (int i = 0; i < 20000; ++i)
            xml += "<response><href>/c/" + QByteArray::number(i) +
                   ".vcf</href><propstat><prop><getetag>\"" + QByteArray::number(i) +
                   "\"</getetag></prop></propstat></response>";
        xml += "</multistatus>";
        CMultiStatusParser parser;
        QVERIFY(parser.Parse(xml));
        QCOMPARE(parser.m_responses.size(), size_t(20000));
        QCOMPARE(parser.m_responses.back().strEtag, QByteArray("\"19999\""));
    }
};

QTEST_GUILESS_MAIN(TestMultiStatus)
#include "TestMultiStatus.moc"
