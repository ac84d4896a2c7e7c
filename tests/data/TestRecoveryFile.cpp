#include "CRecoveryFile.h"

#include <QDir>
#include <QTest>

class TestRecoveryFile : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("named") << QStringLiteral("/home/ann/Adressen \xc3\xa4.vby")
                               << QByteArray("\x0f\0\0\0 some contact bytes", 24);
        QTest::newRow("untitled, empty") << QString() << QByteArray();
    }
    void roundTrip() {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        CRecoveryFile file;
        file.m_strPath = path;
        file.m_nTimeMs = 1765100000123;
        file.m_bytes = bytes;
        const QByteArray data = file.Encode();
        QVERIFY(data.startsWith("VBYRECV1"));
        CRecoveryFile read;
        QString error;
        QVERIFY2(read.Decode(data, &error), qPrintable(error));
        QCOMPARE(read.m_strPath, path);
        QCOMPARE(read.m_nTimeMs, file.m_nTimeMs);
        QCOMPARE(read.m_bytes, bytes);
    }

    // Every kind of damage is refused with a reason, whatever the lengths claim.
    void damage_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        CRecoveryFile file;
        file.m_strPath = QStringLiteral("/tmp/a.vby");
        file.m_nTimeMs = 42;
        file.m_bytes = QByteArray(300, 'x');
        const QByteArray good = file.Encode();
        const qsizetype pathLengthAt = 8;
        const qsizetype bytesLengthAt = 8 + 4 + 10 + 8;

        QTest::newRow("empty") << QByteArray() << QStringLiteral("it is not a recovery file");
        QTest::newRow("other magic") << QByteArray(good).replace(0, 8, "VBYRECV2")
                                     << QStringLiteral("it is not a recovery file");
        QTest::newRow("cut in the header") << good.left(20) << QStringLiteral("it ends early");
        QTest::newRow("cut in the contents")
            << good.left(good.size() - 1) << QStringLiteral("it ends early");
        QTest::newRow("data past the end")
            << good + "y" << QStringLiteral("it has data past its end");
        QByteArray hugePath = good;
        hugePath.replace(pathLengthAt, 4, QByteArray("\xff\xff\xff\xff", 4));
        QTest::newRow("path longer than the file") << hugePath << QStringLiteral("it ends early");
        QByteArray hugeBytes = good;
        hugeBytes.replace(bytesLengthAt, 8, QByteArray("\xff\xff\xff\xff\xff\xff\xff\x7f", 8));
        QTest::newRow("contents longer than the file")
            << hugeBytes << QStringLiteral("it ends early");
        QByteArray flipped = good;
        flipped[flipped.size() - 100] = 'z';
        QTest::newRow("changed byte") << flipped << QStringLiteral("its contents are damaged");
    }
    void damage() {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        CRecoveryFile read;
        read.m_strPath = QStringLiteral("untouched");
        QString error;
        QVERIFY(!read.Decode(data, &error));
        QCOMPARE(error, reason);
        QCOMPARE(read.m_strPath, QStringLiteral("untouched"));
    }

    // The folder follows XDG_STATE_HOME; each contact file has its own name there, the same
    // for every spelling of its path, and documents never saved get distinct names.
    void names() {
        qputenv("XDG_STATE_HOME", "/tmp/state-for-test");
        QCOMPARE(CRecoveryFile::Folder(), QStringLiteral("/tmp/state-for-test/Velloby/recovery"));
        const QString a = CRecoveryFile::PathFor(QStringLiteral("/data/a.vby"));
        QVERIFY(a.startsWith(CRecoveryFile::Folder() + '/'));
        QVERIFY(a.endsWith(QStringLiteral(".recovery")));
        QCOMPARE(CRecoveryFile::PathFor(QStringLiteral("/data/./x/../a.vby")), a);
        QVERIFY(CRecoveryFile::PathFor(QStringLiteral("/data/b.vby")) != a);
        QVERIFY(CRecoveryFile::PathFor(QString()).isEmpty());
        QVERIFY(CRecoveryFile::UntitledPath() != CRecoveryFile::UntitledPath());
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(CRecoveryFile::Folder(), QDir::homePath() + "/.local/state/Velloby/recovery");
    }
};

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "TestRecoveryFile.moc"
