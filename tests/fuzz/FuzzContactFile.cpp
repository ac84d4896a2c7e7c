// Reads a contact file from any bytes; when it opens, writes it back and reads that again. The
// second document must equal the first, and writing it once more must give the same bytes.
#include "CVornDoc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool bHolds, const char* what) {
    if (bHolds)
        return;
    std::fprintf(stderr, "contact file round trip: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CNotesLabel label;
    CVornDoc doc(label);
    // A fixed clock, so a file whose time value is 0 writes the same bytes every time.
    doc.m_fnCurrentTime = [] { return 0x5F5E1000u; };
    QString error;
    if (!doc.LoadFromBytes(bytes, &error)) {
        Check(!error.isEmpty(), "a refused file has no reason");
        Check(doc.m_personList.empty() && doc.m_groupList.isEmpty(), "a refused file left data");
        return 0;
    }
    const QByteArray saved = doc.SaveToBytes();
    Check(doc.m_nVersion == CVornDoc::kVersion, "saving did not make the version 15");

    CNotesLabel labelAgain;
    CVornDoc again(labelAgain);
    again.m_fnCurrentTime = doc.m_fnCurrentTime;
    Check(again.LoadFromBytes(saved), "a saved file does not open");
    Check(again.m_nVersion == CVornDoc::kVersion, "a saved file is not version 15");
    Check(again.m_groupList == doc.m_groupList, "group names differ");
    Check(again.m_personList.size() == doc.m_personList.size(), "record counts differ");
    for (size_t i = 0; i < doc.m_personList.size(); ++i)
        Check(*again.m_personList[i] == *doc.m_personList[i], "a record differs");
    Check(labelAgain.m_bUseCustomLabel == label.m_bUseCustomLabel, "label flags differ");
    Check(labelAgain.m_strCustomLabel == label.m_strCustomLabel, "label texts differ");
    Check(again.m_timeCreated == (doc.m_timeCreated ? doc.m_timeCreated : doc.m_fnCurrentTime()),
          "time values differ");
    Check(again.SaveToBytes() == saved, "a second save gives other bytes");
    return 0;
}
