#include "CVornDoc.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray ValidFile() {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.OnNewDocument();
    doc.m_groupList = {"Work", "Family"};
    for (int i = 0; i < 3; ++i) {
        auto person = std::make_unique<CPerson>();
        person->m_strName = "Person " + QByteArray::number(i);
        person->m_strAddress = "1 Road\r\nTown";
        person->m_strEmail = "p@example.org";
        person->m_groups = {"Work"};
        doc.m_personList.push_back(std::move(person));
    }
    label.m_strCustomLabel = "Birthday";
    return doc.SaveToBytes();
}

void ExpectRefused(const QByteArray& bytes) {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.m_groupList = {"stale"};
    QString error;
    QVERIFY(!doc.LoadFromBytes(bytes, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(doc.m_personList.empty());
    QVERIFY(doc.m_groupList.isEmpty());
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT
private slots:
    void cutAtEveryOffset() {
        const QByteArray whole = ValidFile();
        for (qsizetype n = 0; n < whole.size(); ++n)
            ExpectRefused(whole.left(n));
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.LoadFromBytes(whole + "trailing bytes are not read"));
        QCOMPARE(doc.m_personList.size(), size_t(3));
    }

    void hugeLengthPrefixes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("group count 4G") << QByteArray::fromHex("0f000000 ffff ffffffff 00");
        QTest::newRow("group name 4G") << QByteArray::fromHex("0f000000 0100 ffffff ffffffff");
        QTest::newRow("record count 65535") << QByteArray::fromHex("0f000000 0000 ffff 00000000");
        QTest::newRow("name 4G") << QByteArray::fromHex("0f000000 0000 0100 ffffff fffffffe 41");
        QTest::newRow("older layout count") << QByteArray::fromHex("0000 ffff 0000");
        QTest::newRow("label 64K") << QByteArray::fromHex("0f000000 0000 0000 00000000 fffeff");
    }
    void hugeLengthPrefixes() {
        QFETCH(QByteArray, bytes);
        ExpectRefused(bytes);
    }

    void randomBytesNeverCrash() {
        QRandomGenerator random(20261207);
        const QByteArray valid = ValidFile();
        int opened = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round % 2 == 0) {
                bytes.resize(random.bounded(64));
                for (char& c : bytes)
                    c = static_cast<char>(random.bounded(256));
            } else {
                // A valid file with a few bytes changed.
                bytes = valid;
                for (int k = 0; k < 3; ++k)
                    bytes[random.bounded(bytes.size())] = static_cast<char>(random.bounded(256));
            }
            CNotesLabel label;
            CVornDoc doc(label);
            if (doc.LoadFromBytes(bytes))
                ++opened;
            else
                QVERIFY(doc.m_personList.empty() && doc.m_groupList.isEmpty());
        }
        // Some changed files still decode; what matters is that none crashed.
        QVERIFY(opened < 3000);
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "TestHostileFiles.moc"
