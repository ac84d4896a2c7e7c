// The batch import's one-pass writer against the wizard's path (lines, records, mapping, the
// document) on inputs where a shortcut could go its own way: the file bytes must be equal.
#include "CArchive.h"
#include "CDelimitedBatch.h"
#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"

#include <QTest>

namespace {

constexpr quint32 kTime = 0x5F00AA11;

struct Layout {
    QString strDelimiters = QStringLiteral("\t");
    int nStartRow = 1;
    bool bOneLine = false;
    bool bSameMapping = false;
};

// The contact file the wizard's classes make of `text`, or the reason they refuse it.
QByteArray WizardPath(const QByteArray& text, const Layout& layout, QString* pError) {
    const QList<QByteArray> lines = CLineReader::SplitText(text);
    const CFieldSplitter splitter(layout.strDelimiters);
    CImportRecord records;
    splitter.BuildRecords(lines, layout.nStartRow, false, records);
    *pError = CImportDoc::CheckRecordCount(records, layout.nStartRow);
    if (!pError->isEmpty())
        return {};
    int first = 0;
    while (first < records.GetCount() && records.At(first)->m_pFields.isEmpty())
        ++first;
    CFieldMapper mapper;
    mapper.m_bOneLine = layout.bOneLine;
    mapper.Show(*records.At(first));
    mapper.ProcessRemaining(records, first, layout.bSameMapping);
    CImportDoc doc;
    doc.m_fnCurrentTime = [] { return kTime; };
    doc.AddRecords(records);
    CArchive ar;
    doc.Serialize(ar);
    return ar.Buffer();
}

QByteArray BatchPath(const QByteArray& text, const Layout& layout, QString* pError,
                     qsizetype* pnRecords = nullptr, bool bRelease = false) {
    CDelimitedBatch::Settings settings;
    settings.bReleaseText = bRelease;
    settings.strDelimiters = layout.strDelimiters;
    settings.nStartRow = layout.nStartRow;
    settings.bOneLine = layout.bOneLine;
    settings.bSameMapping = layout.bSameMapping;
    settings.nTime = kTime;
    QByteArray out;
    pError->clear();
    CDelimitedBatch::Build(text, settings, out, pError, pnRecords);
    return out;
}

Layout Delimiters(const QString& delimiters) {
    Layout layout;
    layout.strDelimiters = delimiters;
    return layout;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestDelimitedBatch : public QObject {
    Q_OBJECT
private slots:
    void sameBytesAsTheWizard_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Layout>("layout");
        const Layout tab;
        Layout oneLine;
        oneLine.bOneLine = true;
        Layout same;
        same.bSameMapping = true;
        Layout fromThree;
        fromThree.nStartRow = 3;
        QTest::newRow("plain rows") << QByteArray("Ann Lee\t1 Elm St\tSalem\tOR\t97301\t555-1234\t"
                                                  "ann@example.org\nBo\t2 Oak\tX\n")
                                    << tab;
        QTest::newRow("CR LF, and a CR inside a line stays")
            << QByteArray("Ann\tA\rB\t555-1\r\nBo\t\t\r\n") << tab;
        QTest::newRow("last line without a line end keeps its CR")
            << QByteArray("Ann\t555-1\nBo\tOR\r") << tab;
        QTest::newRow("empty lines, leading and between")
            << QByteArray("\n\r\n\nAnn\t555-1\n\n\nBo\n") << tab;
        QTest::newRow("only delimiters make empty fields")
            << QByteArray("\t\t\n\t\nAnn\t\t\t12345\n") << tab;
        QTest::newRow("Ctrl-Z ends the text")
            << QByteArray("Ann\t555-1\nBo\x1a\tlost\nCy\n") << tab;
        QTest::newRow("quotes are plain text")
            << QByteArray("\"Ann, Lee\"\t\"1 Elm\"\n\"\"\t\"x\ty\"\n") << Delimiters(",\t");
        QTest::newRow("Windows-1252 fields beside UTF-8 ones")
            << QByteArray("M\xFCller\tK\xF6ln\t\xC3\xA9t\xC3\xA9\nRen\xC3\xA9\t\x80uro\n") << tab;
        QTest::newRow("a multi-byte delimiter") << QByteArray("Ann\xC2\xA7"
                                                              "1 Elm\xC2\xA7OR\xC2\xA7"
                                                              "97301\n\xC2\xA7\xC2\xA7x\n")
                                                << Delimiters(QStringLiteral("\u00A7"));
        QTest::newRow("a name of ZIP length, states and cities by position")
            << QByteArray("Abcde\tAB\tStreet\tCity\tCD\t12345-6789\tx@y.example\tUSA\tnote\n"
                          "Ann\t a \t\tUnited Kingdom\t(555)1234\n")
            << tab;
        QTest::newRow("phones first to last, notes joined, empty notes")
            << QByteArray("Ann\t555-1\tmid\t(555)2\tn1\t\tn2\n") << tab;
        QTest::newRow("more fields than mapped with the same mapping")
            << QByteArray("Ann\t1 Elm\tOR\t97301\t555-1\nBo\t2 Oak\tWA\t98000\t555-2\textra\tmore\n"
                          "Cy\n")
            << same;
        QTest::newRow("city, state and ZIP in one field")
            << QByteArray("Ann\t1 Elm\tSalem, OR 97301\t555-1\nBo\tx,ab\tCity, ST\tz, A B C\n"
                          "Cy\t,lead  blanks\n")
            << oneLine;
        QTest::newRow("one-line with the same mapping")
            << QByteArray("Ann\tSalem, OR 97301\nBo\t, OR 1\nCy\tNo comma here\n") << [] {
                   Layout layout;
                   layout.bOneLine = true;
                   layout.bSameMapping = true;
                   return layout;
               }();
        QTest::newRow("a start row past empty lines")
            << QByteArray("Header\tRow\n\nAnn\t555-1\nBo\n") << fromThree;
        QTest::newRow("a text over 254 bytes and one over 65,533")
            << (QByteArray(300, 'a') + '\t' + QByteArray(70000, 'b') + "\tOR\n") << tab;
    }

    void sameBytesAsTheWizard() {
        QFETCH(QByteArray, text);
        QFETCH(Layout, layout);
        QString wizardError;
        const QByteArray expected = WizardPath(text, layout, &wizardError);
        QVERIFY2(wizardError.isEmpty(), qPrintable(wizardError));
        QString error;
        qsizetype records = 0;
        const QByteArray actual = BatchPath(text, layout, &error, &records);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(actual.toHex(' '), expected.toHex(' '));
        // The count in the header is the number of records written.
        QCOMPARE(records, qsizetype(quint8(expected[6]) | quint8(expected[7]) << 8));
    }

    void refusedLikeTheWizard_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("startRow");
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("only empty lines") << QByteArray("\n\r\n\n") << 1;
        QTest::newRow("start row past the end") << QByteArray("Ann\nBo\n") << 5;
        QByteArray tooMany;
        for (int i = 0; i < 65536; ++i)
            tooMany += "P\n";
        QTest::newRow("65,536 records") << tooMany << 1;
    }

    void refusedLikeTheWizard() {
        QFETCH(QByteArray, text);
        QFETCH(int, startRow);
        Layout layout;
        layout.nStartRow = startRow;
        QString wizardError;
        WizardPath(text, layout, &wizardError);
        QVERIFY(!wizardError.isEmpty());
        QString error;
        const QByteArray out = BatchPath(text, layout, &error);
        QCOMPARE(error, wizardError);
        QVERIFY(out.isEmpty());
    }

    void fullFileAtTheRecordLimit() {
        // 65,535 records fill the count exactly. A name of ZIP length is written twice, so the
        // file outgrows the room first made for it.
        QByteArray text;
        for (int i = 0; i < 65535; ++i)
            text += i % 1000 == 0 ? "a\t" + QByteArray(3000, 'x') + "\tOR\t12345\t555-1\n"
                                  : QByteArray("Abcde\tStreet\n");
        const Layout layout;
        QString wizardError;
        const QByteArray expected = WizardPath(text, layout, &wizardError);
        QString error;
        const QByteArray actual = BatchPath(text, layout, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }

    void textGivenUpAsTheLinesAreDone() {
        // Megabytes of lines: the memory of those done is handed back while the pass goes on,
        // and the file is still the wizard's.
        QByteArray text;
        for (int i = 0; i < 65535; ++i)
            text += "Person " + QByteArray::number(i) + "\t" + QByteArray::number(i) +
                    " Long Street Name\tSpringfield\tIL\t62701\t(555) 123-4567\t"
                    "someone@example.org\n";
        QVERIFY(text.size() > 4 * 1024 * 1024);
        const QByteArray copy(text.constData(), text.size());
        QString wizardError;
        const QByteArray expected = WizardPath(copy, Layout(), &wizardError);
        QString error;
        const QByteArray actual = BatchPath(text, Layout(), &error, nullptr, true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(actual == expected);
    }
};

QTEST_GUILESS_MAIN(TestDelimitedBatch)
#include "TestDelimitedBatch.moc"
