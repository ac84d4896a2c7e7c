// Entries built from the fuzz bytes, written as vCard 3.0, vCard 4.0 and CSV, read back: each
// must come back exactly as it was written. The bytes are cut into records at 0x01 bytes and
// records into texts at 0x00 bytes: nine fields, then group names; texts are made valid UTF-8
// first, as the writers expect.
#include "CContactReader.h"
#include "CCsvWriter.h"
#include "CText.h"
#include "CVCardWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool bHolds, const char* what) {
    if (bHolds)
        return;
    std::fprintf(stderr, "exchange round trip: %s\n", what);
    std::abort();
}

// The entries of the bytes: records separated by 0x01 bytes, texts by 0x00 bytes.
std::vector<CPerson> People(const QByteArray& bytes) {
    std::vector<CPerson> people;
    for (const QByteArray& record : bytes.split('\x01')) {
        CPerson person;
        QByteArray* const fields[] = {
            &person.m_strName,  &person.m_strAddress, &person.m_strCity,
            &person.m_strState, &person.m_strZip,     &person.m_strCountry,
            &person.m_strPhone, &person.m_strNotes,   &person.m_strEmail};
        const QList<QByteArray> texts = record.split('\0');
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QByteArray text = CText::ToDisplay(texts[i]).toUtf8();
            if (i < 9)
                *fields[i] = text;
            else if (!text.isEmpty()) // a group always has a name
                person.m_groups.append(text);
        }
        people.push_back(person);
    }
    return people;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<CPerson> people =
        People(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    std::vector<const CPerson*> pointers;
    for (const CPerson& person : people)
        pointers.push_back(&person);
    const QByteArray files[] = {CVCardWriter::Write(pointers, CVCardWriter::Version::V30),
                                CVCardWriter::Write(pointers, CVCardWriter::Version::V40),
                                CCsvWriter::Write(pointers)};
    for (const QByteArray& file : files) {
        CContactReader::Result result;
        QString error;
        Check(CContactReader::Read(file, EContactFormat::Auto, result, &error),
              "a written file does not read");
        Check(result.people.size() == people.size(), "entries lost or added");
        for (size_t i = 0; i < people.size(); ++i) {
            if (result.people[i] == people[i])
                continue;
            std::fprintf(stderr, "entry %zu of %s differs\n", i, file.left(12).constData());
            Check(false, "an entry comes back changed");
        }
    }
    return 0;
}
