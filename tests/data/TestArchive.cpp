#include "CArchive.h"
#include "CPerson.h"

#include <QTest>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

QByteArray Stored(const CPerson& person) {
    CArchive ar;
    const_cast<CPerson&>(person).Serialize(ar, CPerson::kCurrentVersion);
    return ar.Buffer();
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT
private slots:
    void stringPrefix_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("empty") << 0 << Hex("00");
        QTest::newRow("one") << 1 << Hex("01");
        QTest::newRow("254") << 254 << Hex("fe");
        QTest::newRow("255") << 255 << Hex("ffff00");
        QTest::newRow("256") << 256 << Hex("ff0001");
        QTest::newRow("65533") << 65533 << Hex("fffdff");
        QTest::newRow("65534") << 65534 << Hex("ffffff feff0000");
        QTest::newRow("65535") << 65535 << Hex("ffffff ffff0000");
        QTest::newRow("100000") << 100000 << Hex("ffffff a0860100");
    }
    void stringPrefix() {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        const QByteArray text(length, 'a');
        CArchive out;
        out.WriteString(text);
        QCOMPARE(out.Buffer().left(prefix.size()), prefix);
        QCOMPARE(out.Buffer().size(), prefix.size() + length);

        CArchive in(out.Buffer());
        QCOMPARE(in.ReadString(), text);
        QCOMPARE(in.Remaining(), 0);
    }

    void listCount_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("none") << 0 << Hex("0000");
        QTest::newRow("two") << 2 << Hex("0200");
        QTest::newRow("65534") << 65534 << Hex("feff");
        QTest::newRow("65535") << 65535 << Hex("ffff ffff0000");
        QTest::newRow("70000") << 70000 << Hex("ffff 70110100");
    }
    void listCount() {
        QFETCH(int, count);
        QFETCH(QByteArray, prefix);
        QList<QByteArray> names;
        for (int i = 0; i < count; ++i)
            names.append(QByteArray::number(i % 7 == 0 ? i : 0).left(i % 3));
        CArchive out;
        out.WriteStringList(names);
        QCOMPARE(out.Buffer().left(prefix.size()), prefix);

        CArchive in(out.Buffer());
        QList<QByteArray> read{"kept"};
        in.ReadStringList(read);
        QCOMPARE(read.size(), count + 1);
        QCOMPARE(read.mid(1), names);
        QCOMPARE(in.Remaining(), 0);
    }

    void recordLayouts() {
        CPerson al;
        al.m_strName = "Al";
        al.m_groups = {"Work"};
        QCOMPARE(Stored(al), Hex("02416c 0000000000000000 0100 04576f726b"));
        QCOMPARE(Stored(al).size(), 18);

        QCOMPARE(Stored(CPerson()), Hex("000000000000000000 0000"));

        CPerson fields;
        fields.m_strName = "N";
        fields.m_strAddress = "A\r\nB";
        fields.m_strCity = "C";
        fields.m_strState = "S";
        fields.m_strZip = "Z";
        fields.m_strCountry = "K";
        fields.m_strPhone = "P";
        fields.m_strNotes = "T";
        fields.m_strEmail = "E";
        fields.m_groups = {"g2", "g1"};
        QCOMPARE(Stored(fields),
                 Hex("014e 04410d0a42 0143 0153 015a 014b 0150 0154 0145 0200 026732 026731"));
        CArchive in(Stored(fields));
        CPerson back;
        back.Serialize(in, 15);
        QCOMPARE(back, fields);
    }

    void oldRecordHasNoEmail() {
        // Version 11: eight texts, then the groups.
        const QByteArray old = Hex("02416c 00000000000000 0100 0161");
        CArchive in(old);
        CPerson person;
        person.Serialize(in, 11);
        QCOMPARE(in.Remaining(), 0);
        QCOMPARE(person.m_strName, QByteArray("Al"));
        QVERIFY(person.m_strEmail.isEmpty());
        QCOMPARE(person.m_groups, QList<QByteArray>{"a"});
        // Stored again, it takes the newer layout with an empty e-mail before the groups.
        QCOMPARE(Stored(person), Hex("02416c 0000000000000000 0100 0161"));
    }

    void renameGroup_data() {
        QTest::addColumn<QList<QByteArray>>("groups");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::newRow("first of two") << QList<QByteArray>{"A", "B", "A"} << QByteArray("A") << true
                                      << QList<QByteArray>{"Z", "B", "A"};
        QTest::newRow("other case") << QList<QByteArray>{"Work"} << QByteArray("work") << false
                                    << QList<QByteArray>{"Work"};
        QTest::newRow("absent") << QList<QByteArray>{} << QByteArray("A") << false
                                << QList<QByteArray>{};
    }
    void renameGroup() {
        QFETCH(QList<QByteArray>, groups);
        QFETCH(QByteArray, from);
        QFETCH(bool, renamed);
        QFETCH(QList<QByteArray>, after);
        CPerson person;
        person.m_groups = groups;
        QCOMPARE(person.RenameGroup(from, "Z"), renamed);
        QCOMPARE(person.m_groups, after);
    }

    void repeatedTextsShareOneCopy() {
        CArchive out;
        for (const char* text : {"Springfield", "Salem", "Springfield", ""})
            out.WriteString(text);
        CArchive in(out.Buffer());
        const QByteArray first = in.ReadSharedString();
        const QByteArray other = in.ReadSharedString();
        const QByteArray again = in.ReadSharedString();
        QCOMPARE(in.ReadSharedString(), QByteArray());
        QCOMPARE(first, QByteArray("Springfield"));
        QCOMPARE(other, QByteArray("Salem"));
        QCOMPARE(again, first);
        QCOMPARE(again.constData(), first.constData());
        // Changing one copy leaves the other as it was.
        QByteArray changed = again;
        changed[0] = 's';
        QCOMPARE(first, QByteArray("Springfield"));
    }

    // A count larger than the bytes left is refused before any memory is reserved for it, so
    // a damaged file can neither allocate gigabytes nor fail with anything but a read error.
    void listCountBeyondDataReservesNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("16-bit count, two bytes left") << Hex("60ea 0141");
        QTest::newRow("32-bit count, nothing left") << Hex("ffff 00000010");
        QTest::newRow("32-bit count 4G") << Hex("ffff ffffffff 00");
    }
    void listCountBeyondDataReservesNothing() {
        QFETCH(QByteArray, bytes);
        CArchive in(bytes);
        QList<QByteArray> names{"kept"};
        const qsizetype capacity = names.capacity();
        QVERIFY_THROWS_EXCEPTION(CArchiveException, in.ReadStringList(names));
        QCOMPARE(names.capacity(), capacity);
        QCOMPARE(names, QList<QByteArray>{"kept"});
    }

    void readPastEndThrows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no byte") << QByteArray();
        QTest::newRow("short length") << Hex("05414243");
        QTest::newRow("16-bit length cut") << Hex("ff10");
        QTest::newRow("32-bit length huge") << Hex("ffffff ffffffff 41");
    }
    void readPastEndThrows() {
        QFETCH(QByteArray, bytes);
        CArchive in(bytes);
        QVERIFY_THROWS_EXCEPTION(CArchiveException, in.ReadString());
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "TestArchive.moc"
