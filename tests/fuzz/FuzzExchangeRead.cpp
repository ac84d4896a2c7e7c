// Finds the kind of any bytes and reads them as vCard and as CSV. Whatever is read must be a
// valid contact: UTF-8 texts, no more entries than a contact file holds, and a report that
// counts what it read.
#include "CContactReader.h"
#include "CText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool bHolds, const char* what) {
    if (bHolds)
        return;
    std::fprintf(stderr, "exchange read: %s\n", what);
    std::abort();
}

void CheckResult(const CContactReader::Result& result) {
    Check(result.people.size() <= 65535, "more entries than a contact file holds");
    Check(result.report.nContacts == qsizetype(result.people.size()),
          "the report counts other contacts than were read");
    for (const CPerson& p : result.people) {
        for (const QByteArray* pText :
             {&p.m_strName, &p.m_strAddress, &p.m_strCity, &p.m_strState, &p.m_strZip,
              &p.m_strCountry, &p.m_strPhone, &p.m_strNotes, &p.m_strEmail})
            Check(CText::IsValidUtf8(*pText), "a text is not UTF-8");
        for (const QByteArray& group : p.m_groups)
            Check(CText::IsValidUtf8(group), "a group name is not UTF-8");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const EContactFormat detected = CContactReader::Detect(bytes);
    Check(detected != EContactFormat::Auto, "detection gave no answer");
    for (const EContactFormat format :
         {EContactFormat::Auto, EContactFormat::VCard, EContactFormat::Csv}) {
        CContactReader::Result result;
        QString error;
        if (CContactReader::Read(bytes, format, result, &error)) {
            CheckResult(result);
            if (format == EContactFormat::Auto)
                Check(result.format == detected, "Auto read as another kind than detected");
        } else {
            Check(!error.isEmpty(), "a failed read gives no reason");
        }
    }
    CContactReader::Result result;
    Check(!CContactReader::Read(bytes, EContactFormat::Delimited, result),
          "plain delimited text is read as contacts");
    return 0;
}
