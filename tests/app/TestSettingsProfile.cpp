// The profile in the user's settings file: a write of the value the file already holds costs
// no rewrite of the file, and nothing written by another instance of the program is lost or
// left standing over a value written here.
#include "CSettingsProfile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

namespace {

QString ProfileFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorvane/Velloby.conf");
}

// The file's number: every rewrite renames a new file over the old one.
ino_t FileNumber() {
    struct stat info {};
    return ::stat(QFile::encodeName(ProfileFile()).constData(), &info) == 0 ? info.st_ino : 0;
}

// Replaces the file as another instance of the program would: a new file renamed over it.
void WriteAsAnotherInstance(const QByteArray& text) {
    const QString temp = ProfileFile() + QStringLiteral(".other");
    QFile file(temp);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
    file.close();
    QVERIFY(::rename(QFile::encodeName(temp).constData(),
                     QFile::encodeName(ProfileFile()).constData()) == 0);
}

QByteArray FileText() {
    QFile file(ProfileFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettingsProfile : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QDir(QFileInfo(ProfileFile()).absolutePath()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(ProfileFile()).absolutePath()));
        WriteAsAnotherInstance("[options]\nsearch=1087\ndial%20prefix=9\n");
    }

    // Which writes rewrite the file, and what it holds after them.
    void writesOnlyWhatChanges_data() {
        QTest::addColumn<QString>("write");
        QTest::addColumn<bool>("bRewritten");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same number") << "int search 1087" << false << "search"
                                     << "1087";
        QTest::newRow("same text") << "string dial prefix 9" << false << "dial prefix"
                                   << "9";
        QTest::newRow("number as text") << "string search 1087" << false << "search"
                                        << "1087";
        QTest::newRow("other number") << "int search 1085" << true << "search"
                                      << "1085";
        QTest::newRow("other text") << "string dial prefix 0" << true << "dial prefix"
                                    << "0";
        QTest::newRow("empty text") << "string dial prefix " << true << "dial prefix"
                                    << "";
        QTest::newRow("new key") << "int password 0" << true << "password"
                                 << "0";
    }
    void writesOnlyWhatChanges() {
        QFETCH(QString, write);
        QFETCH(bool, bRewritten);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        CSettingsProfile profile;
        const ino_t before = FileNumber();
        const QString value = write.section(' ', -1);
        if (write.startsWith("int"))
            profile.WriteProfileInt("options", key, value.toInt());
        else
            profile.WriteProfileString("options", key, value);
        QCOMPARE(FileNumber() != before, bRewritten);
        QCOMPARE(profile.GetProfileString("options", key, "none"), expected);
        QSettings reader(ProfileFile(), QSettings::IniFormat);
        QCOMPARE(reader.value("options/" + key).toString(), expected);
    }

    // Another instance changed the file after this profile read it: a write of the value this
    // profile holds is still written, over the other instance's value, and the other's other
    // values are kept.
    void writeAfterAnotherInstance() {
        CSettingsProfile profile;
        QCOMPARE(profile.GetProfileInt("options", "search", 0), 1087);
        WriteAsAnotherInstance("[options]\nsearch=1088\ndial%20prefix=9\nAutoUpdate=1\n");
        profile.WriteProfileInt("options", "search", 1087);
        QSettings reader(ProfileFile(), QSettings::IniFormat);
        QCOMPARE(reader.value("options/search").toInt(), 1087);
        QCOMPARE(reader.value("options/AutoUpdate").toInt(), 1);
        // Now the file is this profile's own again: the same value costs nothing.
        const ino_t number = FileNumber();
        profile.WriteProfileInt("options", "search", 1087);
        QCOMPARE(FileNumber(), number);
    }

    // A file that was never written: the first write makes it.
    void firstWriteMakesTheFile() {
        QVERIFY(QFile::remove(ProfileFile()));
        CSettingsProfile profile;
        profile.WriteProfileString("Recent File List", "File1", "/tmp/a.vby");
        QVERIFY(FileText().contains("File1=/tmp/a.vby"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsProfile)
#include "TestSettingsProfile.moc"
