#include "CBatchInput.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The rows a text can hold, counted the plain way: a line feed, a carriage return not before
// a line feed, and a last line without an ending.
qsizetype ExpectedRows(QByteArrayView text) {
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++breaks;
    const bool bEnds = !text.isEmpty() && (text.back() == '\n' || text.back() == '\r');
    return breaks + (bEnds ? 0 : 1);
}

bool ExpectedAscii(QByteArrayView text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == 0)
            return false;
    return true;
}

// Lines of `length` bytes (line break included) of every kind of break in turn, to `size`
// bytes, so that the halves of a large file meet anywhere in a line or a pair.
QByteArray Lines(qsizetype size, int length, const QByteArray& extra = {}) {
    static const char* const kBreaks[] = {"\r\n", "\n", "\r", "\n\r"};
    QByteArray text;
    text.reserve(size + 64);
    for (int k = 0; text.size() < size; ++k) {
        const QByteArray brk = kBreaks[k % 4];
        text += QByteArray(qMax<qsizetype>(0, length - brk.size()), char('a' + k % 26)) + brk;
        if (k == 7)
            text += extra;
    }
    return text;
}

} // namespace

class TestBatchInput : public QObject {
    Q_OBJECT

private slots:
    // The bytes read are the file's, and the rows and plain ASCII counted on the way are those
    // counted afterwards, for small files and for large ones read in two halves at once.
    void countsOnTheWay_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one line without an ending") << QByteArray("a,b");
        QTest::newRow("lone breaks only") << QByteArray("\r\r\n\n\r");
        QTest::newRow("small, every break") << Lines(5000, 37);
        QTest::newRow("small, accented") << Lines(5000, 37, "M\xC3\xBCnchen");
        QTest::newRow("small, a NUL byte") << Lines(5000, 37, QByteArray(1, '\0'));
        // Row lengths that are odd, even and prime move the middle through every place of a
        // line, a pair split across the halves among them.
        for (int length : {2, 3, 61, 64, 127, 200})
            QTest::newRow(qPrintable(QStringLiteral("large, lines of %1").arg(length)))
                << Lines(5 * 1024 * 1024 + length, length);
        QTest::newRow("large, Windows-1252") << Lines(5 * 1024 * 1024, 90, "M\xFCnchen");
        QTest::newRow("large, ends in a return") << Lines(4 * 1024 * 1024, 45) + "x\r";
    }
    void countsOnTheWay() {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        QFile out(dir.filePath("in.csv"));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
        out.close();

        QFile file(dir.filePath("in.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        CBatchInput input;
        QVERIFY(input.Read(file));
        QVERIFY(input.m_bytes == text);
        QCOMPARE(input.MostRows(input.m_bytes), ExpectedRows(text));
        QCOMPARE(input.IsPlainAscii(), ExpectedAscii(text));
        // Without a byte-order mark's worth of bytes in front, and on a copy: the same count.
        const QByteArrayView after =
            QByteArrayView(input.m_bytes).sliced(qMin(3, int(text.size())));
        QCOMPARE(input.MostRows(after), ExpectedRows(after));
        const QByteArray copy(text.constData(), text.size());
        QCOMPARE(input.MostRows(copy), ExpectedRows(copy));
        // Once the bytes change, nothing counted on the way is taken for them.
        input.m_bytes = copy + "\n\n";
        QCOMPARE(input.MostRows(input.m_bytes), ExpectedRows(input.m_bytes));
        QVERIFY(!input.IsPlainAscii());
    }
};

QTEST_GUILESS_MAIN(TestBatchInput)
#include "TestBatchInput.moc"
