// Reading and writing 65,535 sample entries as vCard 4.0, vCard 3.0 and CSV with a header row.
#include "BenchUtil.h"
#include "CContactReader.h"
#include "CCsvWriter.h"
#include "CSampleData.h"
#include "CVCardWriter.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<CPerson> people;
    people.reserve(65535);
    for (int i = 0; i < 65535; ++i)
        people.push_back(CSampleData::MakePerson(i));
    std::vector<const CPerson*> pointers;
    for (const CPerson& person : people)
        pointers.push_back(&person);
    const int runs = 11;

    const QByteArray vcard = CVCardWriter::Write(pointers);
    const QByteArray csv = CCsvWriter::Write(pointers);
    std::printf("vCard 4.0: 65535 entries, %lld bytes; CSV: %lld bytes\n",
                static_cast<long long>(vcard.size()), static_cast<long long>(csv.size()));

    Measure("write vCard 4.0", runs, [&] {
        if (CVCardWriter::Write(pointers).isEmpty())
            std::abort();
    });
    Measure("write vCard 3.0", runs, [&] {
        if (CVCardWriter::Write(pointers, CVCardWriter::Version::V30).isEmpty())
            std::abort();
    });
    Measure("write CSV", runs, [&] {
        if (CCsvWriter::Write(pointers).isEmpty())
            std::abort();
    });
    // The entries read are freed outside the timing, as a program that goes on to write them
    // would free them later.
    CContactReader::Result result;
    auto reset = [&] { result = CContactReader::Result(); };
    Measure(
        "read vCard 4.0", runs,
        [&] {
            if (!CContactReader::Read(vcard, EContactFormat::Auto, result) ||
                result.people.size() != 65535)
                std::abort();
        },
        reset);
    Measure(
        "read CSV", runs,
        [&] {
            if (!CContactReader::Read(csv, EContactFormat::Auto, result) ||
                result.people.size() != 65535)
                std::abort();
        },
        reset);
    return 0;
}
