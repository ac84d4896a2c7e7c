#include "CDelimitedBatch.h"

#include "CRecordStream.h"

#include "CArchive.h"
#include "CContactFileWriter.h"
#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CNotesLabel.h"
#include "CPerson.h"
#include "CText.h"

#include <cstring>
#include <sys/mman.h>
#include <vector>

namespace {

// Cuts the text into lines as CLineReader does: a line ends at a line feed, a carriage return
// right before it goes with it, a last line without a line end is a line (any carriage return
// at its end stays), and a Ctrl-Z ends the text.
class CLineCutter {
public:
    explicit CLineCutter(QByteArrayView text)
        : m_p(text.data()), m_pEnd(text.data() + text.size()) {
        if (const void* pStop = std::memchr(m_p, '\x1a', size_t(text.size())))
            m_pEnd = static_cast<const char*>(pStop);
    }
    bool Next(QByteArrayView& line) {
        if (m_p >= m_pEnd)
            return false;
        const auto* pFeed = static_cast<const char*>(std::memchr(m_p, '\n', size_t(m_pEnd - m_p)));
        if (!pFeed) {
            line = QByteArrayView(m_p, m_pEnd - m_p);
            m_p = m_pEnd;
            return true;
        }
        const char* pLineEnd = pFeed > m_p && pFeed[-1] == '\r' ? pFeed - 1 : pFeed;
        line = QByteArrayView(m_p, pLineEnd - m_p);
        m_p = pFeed + 1;
        return true;
    }

private:
    const char* m_p;
    const char* m_pEnd;
};

char* PutValue(char* p, const CFieldMapper::ViewValue& value) {
    p = CContactFileWriter::PutLength(p, value.Size());
    if (value.Size() == 0)
        return p;
    bool bFirst = true;
    for (const QByteArrayView part : value.Parts()) {
        if (!bFirst)
            *p++ = '\n';
        bFirst = false;
        if (!part.isEmpty())
            std::memcpy(p, part.data(), size_t(part.size()));
        p += part.size();
    }
    return p;
}

// The most one record can take: each of the nine values is at most the whole line, with its
// length bytes, and the empty group list.
qsizetype MaxRecordSize(QByteArrayView line) {
    return 9 * (line.size() + 7) + 2;
}

} // namespace

void CDelimitedBatch::AdviseLargePages(void* pData, qsizetype size) {
    // The contact file and the text are touched once from start to end; in large pages that
    // costs one fault for every 2 MB instead of one for every 4 KB.
    constexpr quintptr kLarge = 2 * 1024 * 1024;
    const auto begin = (reinterpret_cast<quintptr>(pData) + kLarge - 1) & ~(kLarge - 1);
    const auto end = (reinterpret_cast<quintptr>(pData) + quintptr(size)) & ~(kLarge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

const char* CDelimitedBatch::ReleaseRead(const char* pBegin, const char* pEnd) {
    constexpr quintptr kBlock = 2 * 1024 * 1024;
    const auto begin = (reinterpret_cast<quintptr>(pBegin) + kBlock - 1) & ~(kBlock - 1);
    const auto end = reinterpret_cast<quintptr>(pEnd) & ~(kBlock - 1);
    if (end <= begin)
        return pBegin;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    return reinterpret_cast<const char*>(end);
}

bool CDelimitedBatch::HasQuotedFields(QByteArrayView text) {
    // The splitter looks at the first thousand lines only.
    QList<QByteArray> lines;
    CLineCutter cutter(text);
    QByteArrayView line;
    while (lines.size() < 1000 && cutter.Next(line))
        lines.append(QByteArray::fromRawData(line.data(), line.size()));
    return CFieldSplitter::HasQuotedFields(lines);
}

bool CDelimitedBatch::Build(QByteArrayView text, const Settings& settings, QByteArray& out,
                            QString* pError, qsizetype* pnRecords) {
    out.clear();
    const CFieldSplitter splitter(settings.strDelimiters);
    // Valid UTF-8 as a whole leaves every line valid; otherwise each line is looked at.
    const bool bAllUtf8 = CText::IsValidUtf8(QByteArray::fromRawData(text.data(), text.size()));

    CArchive head;
    head.WriteDWord(CPerson::kCurrentVersion);
    head.WriteStringList({});
    const qsizetype countAt = head.Buffer().size();
    head.WriteWord(0); // the record count, filled in at the end

    qsizetype capacity = 0;
    qsizetype used = 0;
    if (!settings.pStream) {
        capacity = head.Buffer().size() + text.size() + text.size() / 2 + 4096;
        out = QByteArray(capacity, Qt::Uninitialized);
        AdviseLargePages(out.data(), capacity);
        std::memcpy(out.data(), head.Buffer().constData(), size_t(head.Buffer().size()));
        used = head.Buffer().size();
    }

    std::vector<QByteArrayView> fields;
    std::vector<unsigned> targets;
    std::vector<QByteArray> converted;
    QList<unsigned> pattern;
    bool bFirst = true;
    CFieldMapper::ViewValues values;
    qsizetype count = 0;
    qsizetype lineNumber = 0;
    CLineCutter lines(text);
    QByteArrayView line;
    const char* pReleased = text.data();
    while (lines.Next(line)) {
        ++lineNumber;
        // The lines before this one are done with.
        if (settings.bReleaseText && line.data() - pReleased >= 2 * 1024 * 1024)
            pReleased = ReleaseRead(pReleased, line.data());
        // An empty line has no fields, and a record without fields writes nothing.
        if (lineNumber < settings.nStartRow || line.isEmpty())
            continue;
        ++count;
        // More records than the file holds: only the count still matters, for the message.
        if (count > CImportDoc::kMaxRecords)
            continue;

        fields.clear();
        splitter.SplitViews(line, fields);
        if (!bAllUtf8 && !CText::IsValidUtf8(QByteArray::fromRawData(line.data(), line.size()))) {
            // Fields that are not UTF-8 are read as Windows-1252, as the splitter reads them.
            converted.clear();
            converted.reserve(fields.size());
            for (QByteArrayView& field : fields) {
                const QByteArray bytes = QByteArray::fromRawData(field.data(), field.size());
                if (CText::IsValidUtf8(bytes))
                    continue;
                converted.push_back(CText::FromWindows1252(bytes).toUtf8());
                field = converted.back();
            }
        }

        values.Clear();
        const int n = static_cast<int>(fields.size());
        if (bFirst || !settings.bSameMapping) {
            targets.resize(fields.size());
            CFieldMapper::AutoMapViews(fields.data(), n, settings.bOneLine, targets.data(), values);
            if (bFirst)
                pattern = QList<unsigned>(targets.begin(), targets.end());
            bFirst = false;
        } else {
            CFieldMapper::ApplyPatternViews(pattern, fields.data(), n, values);
        }

        qsizetype need = MaxRecordSize(line);
        for (const QByteArray& text8 : converted)
            need += 9 * text8.size();
        if (settings.pStream) {
            char* p = settings.pStream->Room(need);
            for (const CFieldMapper::ViewValue* pValue :
                 {&values.m_strName, &values.m_strAddress, &values.m_strCity, &values.m_strState,
                  &values.m_strZip, &values.m_strCountry, &values.m_strPhone, &values.m_strNotes,
                  &values.m_strEmail})
                p = PutValue(p, *pValue);
            *p++ = 0;
            *p++ = 0;
            settings.pStream->Commit(p);
            continue;
        }
        if (used + need > capacity) {
            capacity = qMax(capacity * 2, used + need);
            out.resize(used);
            out.reserve(capacity);
            out.resize(capacity);
            AdviseLargePages(out.data(), capacity);
        }
        char* p = out.data() + used;
        for (const CFieldMapper::ViewValue* pValue :
             {&values.m_strName, &values.m_strAddress, &values.m_strCity, &values.m_strState,
              &values.m_strZip, &values.m_strCountry, &values.m_strPhone, &values.m_strNotes,
              &values.m_strEmail})
            p = PutValue(p, *pValue);
        // No groups.
        *p++ = 0;
        *p++ = 0;
        used = p - out.data();
    }

    const QString problem = CImportDoc::CheckCount(count, settings.nStartRow);
    if (!problem.isEmpty()) {
        out.clear();
        if (pError)
            *pError = problem;
        return false;
    }
    if (pnRecords)
        *pnRecords = count;
    if (settings.pStream) {
        out.clear();
        return true;
    }
    out[countAt] = static_cast<char>(count & 0xFF);
    out[countAt + 1] = static_cast<char>(count >> 8);

    CArchive tail;
    tail.WriteDWord(0);
    tail.WriteString(CNotesLabel::DefaultLabel());
    tail.WriteDWord(settings.nTime);
    if (used + tail.Buffer().size() > capacity)
        out.resize(used + tail.Buffer().size());
    std::memcpy(out.data() + used, tail.Buffer().constData(), size_t(tail.Buffer().size()));
    out.resize(used + tail.Buffer().size());
    return true;
}
