// Texts read from a contact file are slices of large shared blocks. These tests hold entries
// and texts past the life of the document and the bytes they were read from, and change texts
// in place, so that any text pointing at freed or foreign bytes shows (under the sanitizers as
// a fault, elsewhere as a wrong value).
#include "CArchive.h"
#include "CVornDoc.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>

namespace {

using Field = QByteArray CPerson::*;
const Field kFields[] = {&CPerson::m_strName,  &CPerson::m_strAddress, &CPerson::m_strCity,
                         &CPerson::m_strState, &CPerson::m_strZip,     &CPerson::m_strCountry,
                         &CPerson::m_strPhone, &CPerson::m_strNotes,   &CPerson::m_strEmail};

// Entry `i` of the sample: distinct texts, repeated cities and group lists, a few long texts
// whose length takes the longer prefixes, and some empty fields.
CPerson Sample(int i) {
    CPerson person;
    person.m_strName = "Person " + QByteArray::number(i);
    person.m_strAddress = QByteArray::number(i) + " Road\r\nTown";
    person.m_strCity = i % 2 ? "Salem" : "Springfield";
    person.m_strState = "OR";
    person.m_strZip = QByteArray::number(97300 + i);
    person.m_strCountry = i % 3 ? "United States" : "";
    person.m_strPhone = "555-" + QByteArray::number(1000 + i);
    if (i % 4 == 1)
        person.m_strNotes = QByteArray(300, 'n') + QByteArray::number(i);
    if (i == 2)
        person.m_strNotes = QByteArray(70000, 'x');
    person.m_strEmail = "p" + QByteArray::number(i) + "@example.org";
    if (i % 3 == 0)
        person.m_groups = {"Work", "Family"};
    else if (i % 3 == 1)
        person.m_groups = {"Work"};
    return person;
}

constexpr int kCount = 12;

// The bytes of a contact file of the kCount sample entries, with `tag` in every name so that
// two files never hold the same texts.
QByteArray SampleFile(const QByteArray& tag = {}) {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.OnNewDocument();
    doc.m_groupList = {"Work", "Family"};
    for (int i = 0; i < kCount; ++i) {
        auto person = std::make_unique<CPerson>(Sample(i));
        person->m_strName += tag;
        doc.m_personList.push_back(std::move(person));
    }
    return doc.SaveToBytes();
}

bool NulTerminated(const QByteArray& text) {
    return text.constData()[text.size()] == '\0';
}

// The same entries in the older layout: no version, no e-mail, no Notes label.
QByteArray SampleFileOldLayout() {
    CArchive ar;
    ar.WriteStringList({"Work", "Family"});
    ar.WriteWord(kCount);
    for (int i = 0; i < kCount; ++i) {
        const CPerson person = Sample(i);
        for (Field field : kFields) {
            if (field != &CPerson::m_strEmail)
                ar.WriteString(person.*field);
        }
        ar.WriteStringList(person.m_groups);
    }
    ar.WriteDWord(1234);
    return ar.Buffer();
}

// Fills `doc` with `bytes` as the caller would: from the bytes (which the caller keeps), or
// opened from a file, where the document reads into a buffer of its own and keeps the texts
// in that buffer.
bool Load(CVornDoc& doc, const QByteArray& bytes, const QString& how) {
    if (how == "bytes")
        return doc.LoadFromBytes(bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("file.vby");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return doc.OnOpenDocument(path);
}

} // namespace

class TestSharedTexts : public QObject {
    Q_OBJECT
private slots:
    void loadedTextsMatchAndEndInNul_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("bOld");
        for (const char* how : {"bytes", "file"}) {
            QTest::newRow(how) << QString(how) << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, older layout").arg(how)))
                << QString(how) << true;
        }
    }
    void loadedTextsMatchAndEndInNul() {
        QFETCH(QString, how);
        QFETCH(bool, bOld);
        CNotesLabel label;
        CVornDoc doc(label);
        const QByteArray bytes = bOld ? SampleFileOldLayout() : SampleFile();
        QVERIFY(Load(doc, bytes, how));
        QCOMPARE(doc.m_personList.size(), size_t(kCount));
        QCOMPARE(doc.m_groupList, (QList<QByteArray>{"Work", "Family"}));
        for (int i = 0; i < kCount; ++i) {
            const CPerson& person = *doc.m_personList[size_t(i)];
            CPerson want = Sample(i);
            if (bOld)
                want.m_strEmail.clear();
            QCOMPARE(person, want);
            for (Field field : kFields)
                QVERIFY2(NulTerminated(person.*field), qPrintable(QString::number(i)));
            for (const QByteArray& group : person.m_groups)
                QVERIFY(NulTerminated(group));
        }
        // The same bytes come out again.
        if (!bOld)
            QCOMPARE(doc.SaveToBytes(), bytes);
        else
            QCOMPARE(doc.m_timeCreated, quint32(1234));
    }

    // A damaged file opened from disk fails cleanly wherever it is cut, after some of its texts
    // were already kept in the document's own buffer; the document is then empty.
    void cutFileFailsCleanly() {
        const QByteArray whole = SampleFile();
        CNotesLabel label;
        CVornDoc doc(label);
        int nFailed = 0;
        for (qsizetype cut = 1; cut < whole.size(); cut += 97) {
            if (!Load(doc, whole.left(cut), "file")) {
                ++nFailed;
                QVERIFY(doc.m_personList.empty());
            }
        }
        QVERIFY(nFailed > 0);
        QVERIFY(Load(doc, whole, "file"));
        QCOMPARE(*doc.m_personList.back(), Sample(kCount - 1));
    }

    // Entries kept past the document (as the undo history keeps deleted entries and the
    // clipboard keeps copies), the document then emptied and another file opened over it: the
    // kept entries must still read, change, store and load back as they were.
    void keptEntriesOutliveTheDocument_data() {
        QTest::addColumn<QString>("keep");
        QTest::addColumn<QString>("close");
        for (const char* keep : {"taken out", "copied", "copied fields"}) {
            for (const char* close : {"new document", "other file", "failed open"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(keep, close)))
                    << QString(keep) << QString(close);
        }
    }
    void keptEntriesOutliveTheDocument() {
        QFETCH(QString, keep);
        QFETCH(QString, close);
        QTemporaryDir dir;
        const QString first = dir.filePath("first.vby");
        const QString second = dir.filePath("second.vby");
        const QString damaged = dir.filePath("damaged.vby");
        for (const auto& [path, bytes] :
             {std::pair{first, SampleFile()}, std::pair{second, SampleFile(" (other)")},
              std::pair{damaged, SampleFile(" (damaged)").left(900)}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }

        CNotesLabel label;
        auto doc = std::make_unique<CVornDoc>(label);
        QVERIFY(doc->OnOpenDocument(first));
        std::vector<std::unique_ptr<CPerson>> kept;
        for (int i : {0, 2, 5, kCount - 1}) {
            std::unique_ptr<CPerson>& entry = doc->m_personList[size_t(i)];
            if (keep == "taken out") {
                kept.push_back(std::move(entry));
            } else if (keep == "copied") {
                kept.push_back(std::make_unique<CPerson>(*entry));
            } else {
                auto copy = std::make_unique<CPerson>();
                for (Field field : kFields)
                    (*copy).*field = (*entry).*field;
                copy->m_groups = entry->m_groups;
                kept.push_back(std::move(copy));
            }
        }
        std::erase(doc->m_personList, nullptr);

        if (close == "new document")
            QVERIFY(doc->OnNewDocument());
        else if (close == "other file")
            QVERIFY(doc->OnOpenDocument(second));
        else
            QVERIFY(!doc->OnOpenDocument(damaged));
        doc.reset();

        // Read: every kept entry is what the first file held.
        const int indexes[] = {0, 2, 5, kCount - 1};
        for (size_t k = 0; k < kept.size(); ++k) {
            QCOMPARE(*kept[k], Sample(indexes[k]));
            for (Field field : kFields)
                QVERIFY(NulTerminated((*kept[k]).*field));
        }
        // Edit, as the form does, then store and load back, as copy and paste do.
        kept[0]->m_strName += " Jr.";
        kept[1]->m_strCity = "Eugene";
        kept[2]->m_groups.append("Club");
        kept[3]->m_strNotes.clear();
        CArchive out;
        for (const auto& person : kept)
            person->Serialize(out, CPerson::kCurrentVersion);
        const QByteArray stored = out.Buffer();
        CArchive in(stored);
        for (const auto& person : kept) {
            CPerson back;
            back.Serialize(in, CPerson::kCurrentVersion);
            QCOMPARE(back, *person);
        }
        QCOMPARE(in.Remaining(), 0);
        QCOMPARE(kept[0]->m_strName, Sample(0).m_strName + " Jr.");
        QCOMPARE(kept[1]->m_strCity, QByteArray("Eugene"));
        QCOMPARE(kept[2]->m_groups, Sample(5).m_groups + QList<QByteArray>{"Club"});
        QVERIFY(kept[3]->m_strNotes.isEmpty());
    }

    // A text changed after loading takes its own bytes: its neighbours in the block (the
    // texts before and after it in the file) keep theirs, whichever way it is changed.
    void changedTextLeavesItsNeighbours_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("alone");
        QTest::addColumn<QString>("how");
        const char* const changes[] = {"append", "append long", "replace", "clear",
                                       "write",  "chop",        "prepend"};
        for (const char* how : {"bytes", "file"}) {
            for (int field : {0, 1, 4, 7, 8}) {
                for (const char* change : changes) {
                    for (bool alone : {false, true})
                        QTest::newRow(qPrintable(QStringLiteral("%1, field %2, %3%4")
                                                     .arg(how)
                                                     .arg(field)
                                                     .arg(change)
                                                     .arg(alone ? ", last holder" : "")))
                            << field << QString(change) << alone << QString(how);
                }
            }
        }
    }
    void changedTextLeavesItsNeighbours() {
        QFETCH(int, field);
        QFETCH(QString, change);
        QFETCH(bool, alone);
        QFETCH(QString, how);
        const std::map<QString, std::function<void(QByteArray&)>> changes = {
            {"append", [](QByteArray& t) { t.append("!"); }},
            {"append long", [](QByteArray& t) { t.append(QByteArray(5000, '+')); }},
            {"replace", [](QByteArray& t) { t.replace(0, 1, "XYZ"); }},
            {"clear", [](QByteArray& t) { t.clear(); }},
            {"write", [](QByteArray& t) { t.data()[0] = '#'; }},
            {"chop", [](QByteArray& t) { t.chop(1); }},
            {"prepend", [](QByteArray& t) { t.prepend("<<"); }},
        };
        CNotesLabel label;
        auto doc = std::make_unique<CVornDoc>(label);
        QVERIFY(Load(*doc, SampleFile(), how));
        const int middle = 5;
        QByteArray text = (*doc->m_personList[middle]).*kFields[field];
        QByteArray expected(text.constData(), text.size());
        changes.at(change)(expected);
        // As the last holder the text may change its block in place; nothing else is left in
        // the block then to be harmed, but the change must still stay inside the block.
        if (alone)
            doc.reset();
        changes.at(change)(text);
        QCOMPARE(text, expected);
        QVERIFY(NulTerminated(text));
        if (alone)
            return;
        (*doc->m_personList[middle]).*kFields[field] = text;
        for (int i = 0; i < kCount; ++i) {
            CPerson want = Sample(i);
            if (i == middle)
                want.*kFields[field] = expected;
            QCOMPARE(*doc->m_personList[size_t(i)], want);
            for (Field f : kFields)
                QVERIFY(NulTerminated((*doc->m_personList[size_t(i)]).*f));
        }
    }

    // Entries with equal group lists share one list: a change to one entry's groups leaves the
    // others as they were.
    void sharedGroupListsDetach_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("rename") << "rename";
        QTest::newRow("append") << "append";
        QTest::newRow("remove") << "remove";
        QTest::newRow("clear") << "clear";
        QTest::newRow("change a name") << "change a name";
    }
    void sharedGroupListsDetach() {
        QFETCH(QString, change);
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.LoadFromBytes(SampleFile()));
        // Entries 0, 3, 6 and 9 belong to Work and Family.
        QList<QByteArray>& groups = doc.m_personList[3]->m_groups;
        QCOMPARE(groups, (QList<QByteArray>{"Work", "Family"}));
        if (change == "rename")
            QVERIFY(doc.m_personList[3]->RenameGroup("Family", "Kin"));
        else if (change == "append")
            groups.append("Club");
        else if (change == "remove")
            groups.removeAt(0);
        else if (change == "clear")
            groups.clear();
        else
            groups[1].append(" and friends");
        QVERIFY(groups != (QList<QByteArray>{"Work", "Family"}));
        for (int i = 0; i < kCount; ++i) {
            if (i != 3)
                QCOMPARE(doc.m_personList[size_t(i)]->m_groups, Sample(i).m_groups);
        }
        QCOMPARE(doc.m_groupList, (QList<QByteArray>{"Work", "Family"}));
    }

    // Thousands of different repeated texts and group lists, each met several times: every
    // repeat reads as its first and shares its bytes, however large the tables grow.
    void manyRepeatedTextsShare_data() {
        QTest::addColumn<int>("distinct");
        for (int distinct : {1, 63, 64, 65, 3000})
            QTest::newRow(qPrintable(QString::number(distinct))) << distinct;
    }
    void manyRepeatedTextsShare() {
        QFETCH(int, distinct);
        CArchive out;
        const int total = distinct * 3;
        for (int i = 0; i < total; ++i) {
            const QByteArray city = "City " + QByteArray::number(i % distinct);
            out.WriteString(city);
            out.WriteStringList({city, "Group " + QByteArray::number(i % distinct % 7)});
        }
        const QByteArray stored = out.Buffer();
        CArchive in(stored);
        std::vector<QByteArray> cities;
        std::vector<QList<QByteArray>> lists;
        for (int i = 0; i < total; ++i) {
            cities.push_back(in.ReadSharedString());
            lists.emplace_back();
            in.ReadSharedStringList(lists.back());
        }
        QCOMPARE(in.Remaining(), 0);
        for (int i = 0; i < total; ++i) {
            const int first = i % distinct;
            QCOMPARE(cities[size_t(i)], "City " + QByteArray::number(first));
            QCOMPARE(cities[size_t(i)].constData(), cities[size_t(first)].constData());
            QCOMPARE(lists[size_t(i)],
                     (QList<QByteArray>{cities[size_t(first)],
                                        "Group " + QByteArray::number(first % 7)}));
            QCOMPARE(lists[size_t(i)].constData(), lists[size_t(first)].constData());
            QVERIFY(NulTerminated(cities[size_t(i)]));
        }
    }

    // A buffer handed out keeps its bytes when the archive stores more, and the sizes counted
    // ahead are the sizes stored.
    void storedBufferAndSizes_data() {
        QTest::addColumn<int>("length");
        for (int length : {0, 1, 254, 255, 65533, 65534, 70000})
            QTest::newRow(qPrintable(QString::number(length))) << length;
    }
    void storedBufferAndSizes() {
        QFETCH(int, length);
        const QByteArray text(length, 't');
        CArchive out;
        out.WriteString("first");
        const QByteArray before = out.Buffer();
        out.WriteString(text);
        out.WriteStringList({text, "", text});
        QCOMPARE(before, QByteArray("\x05"
                                    "first"));
        QCOMPARE(out.Buffer().size(), 6 + CArchive::StoredSize(text) +
                                          CArchive::StoredSize(QList<QByteArray>{text, "", text}));
        CArchive reserved;
        reserved.Reserve(4);
        reserved.WriteString(text);
        QCOMPARE(reserved.Buffer().size(), CArchive::StoredSize(text));
        QCOMPARE(reserved.Buffer(), out.Buffer().mid(6, CArchive::StoredSize(text)));
    }
};

QTEST_GUILESS_MAIN(TestSharedTexts)
#include "TestSharedTexts.moc"
