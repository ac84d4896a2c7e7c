#include "CLineReader.h"

#include <QIODevice>
#include <cstring>

void CLineReader::AddLine(const char* pBegin, const char* pEnd) {
    if (!m_pending.isEmpty()) {
        m_pending.append(pBegin, pEnd - pBegin);
        if (m_pending.endsWith('\r'))
            m_pending.chop(1);
        m_lines.append(m_pending);
        m_pending.clear();
        return;
    }
    if (pEnd > pBegin && pEnd[-1] == '\r')
        --pEnd;
    m_lines.append(QByteArray(pBegin, pEnd - pBegin));
}

void CLineReader::Feed(const QByteArray& bytes) {
    if (m_bEnded || bytes.isEmpty())
        return;
    const char* p = bytes.constData();
    const char* pEnd = p + bytes.size();
    if (const void* pStop = std::memchr(p, '\x1a', bytes.size())) {
        pEnd = static_cast<const char*>(pStop);
        m_bEnded = true;
    }
    while (p < pEnd) {
        const auto* pFeed = static_cast<const char*>(std::memchr(p, '\n', pEnd - p));
        if (!pFeed) {
            m_pending.append(p, pEnd - p);
            break;
        }
        AddLine(p, pFeed);
        p = pFeed + 1;
    }
}

void CLineReader::Finish() {
    if (m_pending.isEmpty())
        return;
    // A carriage return at the very end had no line feed after it, so it stays.
    m_lines.append(m_pending);
    m_pending.clear();
}

bool CLineReader::ReadLines(QIODevice& device, QList<QByteArray>& lines) {
    CLineReader reader(lines);
    constexpr qint64 kChunk = 1 << 20;
    QByteArray chunk;
    while (!reader.IsEnded()) {
        chunk.resize(kChunk);
        const qint64 got = device.read(chunk.data(), kChunk);
        if (got < 0)
            return false; // the complete lines read so far stay; a cut-off line does not

        if (got == 0)
            break;
        chunk.resize(got);
        reader.Feed(chunk);
    }
    reader.Finish();
    return true;
}

QList<QByteArray> CLineReader::SplitText(const QByteArray& text) {
    QList<QByteArray> lines;
    CLineReader reader(lines);
    reader.Feed(text);
    reader.Finish();
    return lines;
}
