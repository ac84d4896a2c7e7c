// The batch import of vCard and CSV files writes each contact as soon as it is read, from fields
// that may point into the bytes read. Its file must equal the one the document writes from the
// contacts read the ordinary way, on inputs where the shortcuts could differ.
#include "CArchive.h"
#include "CContactFileWriter.h"
#include "CContactReader.h"
#include "CImportDoc.h"

#include <QSet>
#include <QTest>

namespace {

constexpr quint32 kTime = 0x01020304;

// Read whole, then written by the document.
QByteArray ThroughTheDocument(const QByteArray& bytes) {
    CContactReader::Result result;
    if (!CContactReader::Read(bytes, EContactFormat::Auto, result))
        return {};
    CImportDoc doc;
    doc.m_fnCurrentTime = [] { return kTime; };
    for (CPerson& person : result.people) {
        doc.m_personList.append(&person);
        for (const QByteArray& group : person.m_groups)
            if (!doc.m_groupList.contains(group))
                doc.m_groupList.append(group);
    }
    CArchive ar;
    doc.Serialize(ar);
    return ar.Buffer();
}

// Read and written one contact at a time; the bytes read are gone before the file is finished.
QByteArray OneAtATime(const QByteArray& source) {
    QByteArray bytes(source.constData(), source.size());
    CContactFileWriter writer(bytes.size() / 4);
    QList<QByteArray> groups;
    CContactReader::Result result;
    const bool bRead =
        CContactReader::ReadEach(bytes, EContactFormat::Auto, result, [&](CPerson& person) {
            writer.Add(person);
            for (const QByteArray& group : person.m_groups)
                if (!groups.contains(group))
                    groups.append(QByteArray(group.constData(), group.size()));
        });
    if (!bRead)
        return {};
    bytes.fill('#');
    bytes = QByteArray();
    return QByteArray(writer.Finish(groups, kTime));
}

} // namespace

class TestContactFileWriter : public QObject {
    Q_OBJECT
private slots:
    void sameFileAsTheDocument_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("CSV: quoted, doubled quotes, text after a closing quote, empty quotes")
            << QByteArray(
                   "Name,E-mail,Phone,Notes,Categories\r\n"
                   "\"Ann \"\"A\"\" Lee\",ann@example.org,\"555-1\"x,\"\",\"Work ::: Club\"\r\n"
                   "Bo,\"bo@example.org\",,\"line one\nline two\",Club\r\n"
                   "\"Cy\",,\"\",,\r\n");
        QTest::newRow("CSV: our own layout, exact texts")
            << QByteArray("Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\n"
                          "\" Ann \",\"1 Elm\r\nApt 2\",Salem,OR,97301,,\"555-1\",a@b.example,"
                          "\"x\ry\",\"G1 ::: G2\"\r\n"
                          ",,,,,,,,,\r\n");
        QTest::newRow("CSV: semicolons, a ragged row and an unclosed quote")
            << QByteArray("Name;E-Mail;Telefon\nAnn;a@b.example\nBo;b@c.example;1;extra\n"
                          "\"Cy;c@d.example;2\n");
        QTest::newRow("CSV: Windows-1252 and a byte-order mark")
            << QByteArray("\xEF\xBB\xBFName,City\nM\xC3\xBCller,K\xC3\xB6ln\n") +
                   QByteArray("Ren\xE9,Z\xFCrich\n");
        QTest::newRow("vCard: groups, labels, folding, quoted-printable") << QByteArray(
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
            "item1.TEL:+1 555 1\r\nitem1.X-ABLabel:cell\r\nEMAIL;TYPE=work:a@b.c\r\n"
            "CATEGORIES:Work,Club\r\nNOTE:a long note that is fol\r\n ded\r\n"
            "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
            "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:M=C3=BCller\r\n"
            "ADR;HOME:;;1 Elm;Salem;OR;97301;USA\r\nCATEGORIES:Club\r\nEND:VCARD\r\n");
    }

    void sameFileAsTheDocument() {
        QFETCH(QByteArray, input);
        const QByteArray expected = ThroughTheDocument(input);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(OneAtATime(input).toHex(' '), expected.toHex(' '));
    }

    // A text of every short length (copied in pieces that may overlap) and at the edges of the
    // length's encoding is stored as the document stores it.
    void textsOfEveryLength() {
        QList<qsizetype> lengths;
        for (qsizetype n = 0; n <= 40; ++n)
            lengths.append(n);
        lengths += {254, 255, 256, 65533, 65534, 65535, 70000};
        for (qsizetype n : lengths) {
            QByteArray text(n, Qt::Uninitialized);
            for (qsizetype k = 0; k < n; ++k)
                text[k] = char('a' + k % 26);
            CArchive ar;
            ar.WriteString(text);
            QByteArray put(n + 16, '#');
            char* pEnd = CContactFileWriter::PutText(put.data(), text);
            put.truncate(pEnd - put.constData());
            QVERIFY2(put == ar.Buffer(), qPrintable(QString::number(n)));
        }
    }

    void recordsOutgrowTheFirstRoom() {
        // Far more contacts than the room first made for them, and a header too large for the
        // room kept before the records.
        QByteArray csv = "Name,Notes,Groups\n";
        for (int i = 0; i < 3000; ++i)
            csv += "P" + QByteArray::number(i) + "," + QByteArray(100, 'n') + ",G" +
                   QByteArray::number(i) + QByteArray(30, 'g') + "\n";
        const QByteArray expected = ThroughTheDocument(csv);
        QVERIFY(!expected.isEmpty());
        QVERIFY(OneAtATime(csv) == expected);
    }
};

QTEST_GUILESS_MAIN(TestContactFileWriter)
#include "TestContactFileWriter.moc"
