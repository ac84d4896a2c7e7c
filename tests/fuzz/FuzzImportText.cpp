// The import's reading, splitting and mapping on any bytes. The first bytes choose the settings:
//   0  delimiters and options: bit 0 tab, 1 semicolon, 2 comma, 3 blank, 4 other, 5 city, state
//      and ZIP on one line, 6 the same mapping for all, 7 a manual mapping on the first record
//   1  the other delimiter character (Latin-1, so bytes from 0x80 on give a multi-byte one)
//   2  the start row, signed
//   3  the size of the pieces the line reader is fed in (0: the whole text at once)
//   4  the rows of the manual mapping (a bit for each of the first eight), 5 its target
//   6  quoted fields: bit 0 as the text itself tells (the batch import's rule), bit 1 always
// The rest is the text file. Then the written contact file is read back.
#include "CArchive.h"
#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"
#include "CText.h"
#include "CVornDoc.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool bHolds, const char* what) {
    if (bHolds)
        return;
    std::fprintf(stderr, "import text: %s\n", what);
    std::abort();
}

bool AllUtf8(const CPerson& p) {
    for (const QByteArray* pText :
         {&p.m_strName, &p.m_strAddress, &p.m_strCity, &p.m_strState, &p.m_strZip, &p.m_strCountry,
          &p.m_strPhone, &p.m_strNotes, &p.m_strEmail})
        if (!CText::IsValidUtf8(*pText))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kSettings = 7;
    if (size < kSettings)
        return 0;
    const unsigned flags = data[0];
    const QString other = QChar(char16_t(data[1]));
    const int nStartRow = static_cast<int8_t>(data[2]);
    const qsizetype nPiece = data[3];
    const QByteArray text(reinterpret_cast<const char*>(data + kSettings),
                          static_cast<qsizetype>(size - kSettings));

    // Lines: the same whichever way the bytes arrive.
    const QList<QByteArray> lines = CLineReader::SplitText(text);
    {
        QList<QByteArray> pieces;
        CLineReader reader(pieces);
        for (qsizetype pos = 0; nPiece > 0 && pos < text.size(); pos += nPiece)
            reader.Feed(text.mid(pos, nPiece));
        if (nPiece == 0)
            reader.Feed(text);
        reader.Finish();
        Check(pieces == lines, "lines depend on how the bytes arrive");
        QByteArray copy = text;
        QBuffer device(&copy);
        device.open(QIODevice::ReadOnly);
        QList<QByteArray> read;
        Check(CLineReader::ReadLines(device, read), "reading a buffer failed");
        Check(read == lines, "lines read from a device differ");
    }
    for (const QByteArray& line : lines)
        Check(!line.contains('\n') && !line.contains('\x1a'), "a line holds a line end");

    const CFieldSplitter splitter(CFieldSplitter::BuildDelimiters(flags & 1, flags & 2, flags & 4,
                                                                  flags & 8, flags & 16, other));
    const bool bQuotes = (data[6] & 2) || ((data[6] & 1) && CFieldSplitter::HasQuotedFields(lines));
    CImportRecord records;
    qsizetype plainFrom = 0;
    splitter.BuildRecords(lines, nStartRow, bQuotes, records, {}, &plainFrom);
    const qsizetype skipped = nStartRow > 1 ? qMin<qsizetype>(nStartRow - 1, lines.size()) : 0;
    Check(plainFrom >= 0 && plainFrom <= lines.size(), "the plain-text line is out of range");
    if (bQuotes) {
        // A quoted field may join lines, never split one.
        Check(records.GetCount() <= lines.size() - skipped, "more records than lines");
    } else {
        Check(records.GetCount() == lines.size() - skipped,
              "one record per line from the start row");
        for (int i = 0; i < records.GetCount(); ++i)
            Check(records.At(i)->m_pFields.isEmpty() == lines[skipped + i].isEmpty(),
                  "an entry has no fields exactly when its line is empty");
    }
    for (int i = 0; i < records.GetCount(); ++i)
        for (const QByteArray& field : records.At(i)->m_pFields)
            Check(CText::IsValidUtf8(field), "a field is not UTF-8");
    if (records.CountWithFields() == 0)
        return 0;

    int first = 0;
    while (records.At(first)->m_pFields.isEmpty())
        ++first;
    CFieldMapper mapper;
    mapper.m_bOneLine = flags & 32;
    mapper.Show(*records.At(first));
    Check(mapper.m_targets.size() == records.At(first)->m_pFields.size(), "a target per field");
    if (flags & 128) {
        QList<int> rows;
        for (int row = 0; row < 8; ++row)
            if (data[4] & (1u << row))
                rows.append(row);
        mapper.MapRows(rows, data[5] % CFieldMapper::kTargetCount);
    }
    mapper.ProcessRemaining(records, first, flags & 64);

    CImportDoc doc;
    doc.m_fnCurrentTime = [] { return 1u; };
    doc.AddRecords(records);
    for (const CPerson* pPerson : doc.m_personList)
        Check(AllUtf8(*pPerson), "a contact text is not UTF-8");
    if (doc.m_personList.size() > CImportDoc::kMaxRecords)
        return 0;
    CArchive ar;
    doc.Serialize(ar);
    CNotesLabel label;
    CVornDoc written(label);
    Check(written.LoadFromBytes(ar.Buffer()), "the written contact file does not open");
    Check(written.m_personList.size() == size_t(doc.m_personList.size()), "record count");
    for (size_t i = 0; i < written.m_personList.size(); ++i)
        Check(*written.m_personList[i] == *doc.m_personList[qsizetype(i)], "a record differs");
    return 0;
}
