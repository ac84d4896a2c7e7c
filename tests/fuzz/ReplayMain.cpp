// Replays the seed corpus and every kept crash input of one fuzz target through its entry
// point, so a reader that breaks again fails the ordinary test run. The entry point aborts on
// any wrong result; the sanitizer build also catches memory faults here.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

class TestFuzzReplay : public QObject {
    Q_OBJECT
private slots:
    void replay_data() {
        QTest::addColumn<QString>("path");
        const QStringList dirs = QStringLiteral(FUZZ_INPUT_DIRS).split(QLatin1Char(':'));
        int count = 0;
        for (const QString& dir : dirs) {
            QDirIterator it(dir, QDir::Files);
            while (it.hasNext()) {
                const QString path = it.next();
                ++count;
                QTest::newRow(qPrintable(QFileInfo(dir).dir().dirName() + '/' + it.fileName()))
                    << path;
            }
        }
        // The seed corpus is part of the repository: finding nothing means the inputs are lost.
        if (count == 0)
            QTest::newRow("no inputs") << QString();
    }
    void replay() {
        QFETCH(QString, path);
        QVERIFY2(!path.isEmpty(), "no input files found");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                        static_cast<size_t>(bytes.size())),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "ReplayMain.moc"
