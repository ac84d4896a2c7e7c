// A large CSV file read in two parts at once, with the common rows handed over as texts, gives
// the entries that reading it in one go gives, in the same order, wherever the middle falls.
#include "ExchangeTestUtil.h"

namespace {

// The nine texts of an entry and its groups, joined, as one line to compare.
QByteArray Line(const QByteArrayView* pTexts, const QList<QByteArray>& groups) {
    QByteArray line;
    for (int k = 0; k < 9; ++k)
        line += pTexts[k].toByteArray() + '\x1F';
    return line + groups.join('|');
}

QByteArray Line(const CPerson& person) {
    const QByteArrayView texts[9] = {person.m_strName,  person.m_strAddress, person.m_strCity,
                                     person.m_strState, person.m_strZip,     person.m_strCountry,
                                     person.m_strPhone, person.m_strNotes,   person.m_strEmail};
    return Line(texts, person.m_groups);
}

class CCollect : public CContactReader::IPartSink {
public:
    void TakePerson(CPerson& person) override { m_lines.append(Line(person)); }
    void TakeTexts(const QByteArrayView* pTexts) override {
        m_lines.append(Line(pTexts, {}));
        ++m_nTexts;
    }
    void Done(const char*) override {}
    void Forget() override {
        m_lines.clear();
        m_nTexts = 0;
        ++m_nForgotten;
    }
    QList<QByteArray> m_lines;
    qsizetype m_nTexts = 0;
    int m_nForgotten = 0;
};

// Rows of one length around `middle`, over a megabyte in all.
QByteArray Large(const QByteArray& middle) {
    QByteArray csv = "Name,E-mail,Phone,City,Notes,Web Page,Categories\r\n";
    for (int i = 0; i < 16000; ++i) {
        if (i == 8000)
            csv += middle;
        const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
        csv += "\"Person " + n + "\",p" + n + "@x.test,\"+1 555 " + n + "\",Town,\"Note " + n +
               "\",http://x.test/" + n + ',' + (i % 5 == 0 ? "Club" : "") + "\r\n";
    }
    return csv;
}

} // namespace

class TestCsvParts : public QObject {
    Q_OBJECT
private slots:
    void sameEntries_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<bool>("bSplit"); // the second part's guess holds

        QTest::newRow("plain rows") << Large({}) << true;
        QByteArray cell = "Across,a@x.test,1,Here,\"";
        for (int i = 0; i < 900; ++i)
            cell += "line " + QByteArray::number(i) + " of a long note\r\n";
        cell += "end\",,\r\n";
        QTest::newRow("cell of many lines across the middle") << Large(cell) << false;
        QByteArray unclosed = "Open,o@x.test,1,Here,\"never closed\r\n";
        for (int i = 0; i < 1001; ++i)
            unclosed += "x,y\r\n";
        QTest::newRow("unclosed quote at the middle") << Large(unclosed) << false;
    }
    void sameEntries() {
        QFETCH(QByteArray, csv);
        QFETCH(bool, bSplit);
        const CContactReader::Result whole = ReadOk(csv);
        QList<QByteArray> expected;
        for (const CPerson& person : whole.people)
            expected.append(Line(person));

        CCollect first, second;
        CContactReader::Result result;
        QString error;
        QVERIFY2(
            CContactReader::ReadInParts(csv, EContactFormat::Auto, result, first, second, &error),
            qPrintable(error));
        QCOMPARE(second.m_nForgotten, bSplit ? 0 : 1);
        QCOMPARE(second.m_lines.isEmpty(), !bSplit);
        // The common rows went the quick way on both sides of the middle.
        QVERIFY(first.m_nTexts > 1000);
        if (bSplit)
            QVERIFY(second.m_nTexts > 1000);
        QCOMPARE(first.m_lines + second.m_lines, expected);
        QCOMPARE(result.report.nContacts, whole.report.nContacts);
        QCOMPARE(result.report.warnings, whole.report.warnings);
    }
};

QTEST_GUILESS_MAIN(TestCsvParts)
#include "TestCsvParts.moc"
