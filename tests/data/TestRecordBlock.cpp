// The block a file's entries are read into: entries on either side of its region boundaries,
// let go in any order and from other threads, while entries allocated alone are deleted the same
// way. An entry laid over a region's first word, or a block freed too soon or never, shows as a
// wrong value here or as a fault under the sanitizers.
#include "CMappedBuffer.h"
#include "CPerson.h"
#include "CRecordBlock.h"

#include <QTest>
#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Fills entry `i` with texts of its own, long enough to be allocations of their own.
void Fill(CPerson& person, int i) {
    person.m_strName = "Name " + QByteArray::number(i) + QByteArray(40, 'n');
    person.m_strZip = QByteArray::number(10000 + i);
    person.m_groups = {"Group " + QByteArray::number(i % 7)};
}

} // namespace

class TestRecordBlock : public QObject {
    Q_OBJECT
private slots:
    void entriesLiveAcrossRegionsAndLeaveInAnyOrder_data() {
        QTest::addColumn<int>("nCount");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("bCreatorFirst");
        // Counts around the first region boundaries, whatever an entry's size: one region holds
        // a few hundred entries.
        for (int count : {1, 2, 250, 300, 1000, 5000}) {
            for (const char* order : {"in order", "reverse", "scattered", "other thread"}) {
                for (bool bCreatorFirst : {false, true}) {
                    QTest::addRow("%d, %s%s", count, order,
                                  bCreatorFirst ? ", block let go first" : "")
                        << count << QString(order) << bCreatorFirst;
                }
            }
        }
    }
    void entriesLiveAcrossRegionsAndLeaveInAnyOrder() {
        QFETCH(int, nCount);
        QFETCH(QString, order);
        QFETCH(bool, bCreatorFirst);
        auto block = CRecordBlock::Create(size_t(nCount), CPerson::BlockSlotSize());
        std::vector<std::unique_ptr<CPerson>> people;
        for (int i = 0; i < nCount; ++i) {
            people.emplace_back(new (*block) CPerson);
            QVERIFY(CRecordBlock::IsInBlock(people.back().get()));
        }
        // The block is full: the next entry is allocated alone, and is told apart.
        std::unique_ptr<CPerson> alone(new (*block) CPerson);
        QVERIFY(!CRecordBlock::IsInBlock(alone.get()));
        Fill(*alone, -1);

        // No two entries overlap, and none overlaps what the block keeps for itself: every
        // entry keeps what was written into it, and lets go of its block correctly below.
        std::vector<const char*> places;
        for (const auto& p : people)
            places.push_back(reinterpret_cast<const char*>(p.get()));
        std::sort(places.begin(), places.end());
        for (size_t i = 1; i < places.size(); ++i)
            QVERIFY(places[i] - places[i - 1] >= qsizetype(sizeof(CPerson)));
        for (int i = 0; i < nCount; ++i)
            Fill(*people[size_t(i)], i);
        for (int i = 0; i < nCount; ++i) {
            CPerson want;
            Fill(want, i);
            QCOMPARE(*people[size_t(i)], want);
        }

        if (bCreatorFirst)
            block.reset();
        if (order == "reverse") {
            std::reverse(people.begin(), people.end());
        } else if (order == "scattered") {
            for (size_t i = 0; i < people.size(); ++i)
                std::swap(people[i], people[(i * 7919) % people.size()]);
        }
        if (order == "other thread") {
            // Half here, half on another thread at the same time, as a document lets go of a
            // large file's entries aside while the next file's entries are read.
            std::vector<std::unique_ptr<CPerson>> half(
                std::make_move_iterator(people.begin() + std::ptrdiff_t(people.size() / 2)),
                std::make_move_iterator(people.end()));
            people.resize(people.size() / 2);
            std::thread other([&half] { half.clear(); });
            people.clear();
            other.join();
        } else {
            while (!people.empty())
                people.pop_back();
        }
        QCOMPARE(alone->m_strName, "Name -1" + QByteArray(40, 'n'));
        block.reset();
    }

    // Sizes a block cannot keep 8 bytes past a multiple of 16, or that no region holds, give
    // a block without room: the entries are then allocated alone.
    void unsuitableSizesGiveNoRoom() {
        for (size_t size :
             {size_t(0), size_t(24), size_t(248), size_t(2) * CRecordBlock::kRegion}) {
            auto block = CRecordBlock::Create(4, size);
            QVERIFY2(block->Take() == nullptr, qPrintable(QString::number(size)));
        }
    }

    // A buffer mapped for one read: every byte of it can be written and read back, at sizes
    // below a page, of whole huge pages and past them; its bytes are a view of it, never more.
    void mappedBufferHoldsItsSize_data() {
        QTest::addColumn<qsizetype>("nSize");
        for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(4095), qsizetype(4097),
                               qsizetype(4) * 1024 * 1024, qsizetype(5) * 1024 * 1024 + 3})
            QTest::addRow("%lld bytes", static_cast<long long>(size)) << size;
    }
    void mappedBufferHoldsItsSize() {
        QFETCH(qsizetype, nSize);
        const auto size = size_t(nSize);
        CMappedBuffer buffer(size);
        QVERIFY(buffer.IsValid());
        QCOMPARE(buffer.Size(), size);
        for (qsizetype i = 0; i < nSize; ++i)
            buffer.Data()[i] = char(i * 31 + 7);
        const QByteArray bytes = buffer.Bytes(size + 100);
        QCOMPARE(bytes.size(), nSize);
        if (nSize > 0)
            QCOMPARE(bytes.constData(), buffer.Data());
        for (qsizetype i = 0; i < nSize; ++i) {
            if (bytes[i] != char(i * 31 + 7))
                QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(i)));
        }
        QCOMPARE(buffer.Bytes(1).size(), std::min<qsizetype>(nSize, 1));
    }
};

QTEST_GUILESS_MAIN(TestRecordBlock)
#include "TestRecordBlock.moc"
