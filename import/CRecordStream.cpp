#include "CRecordStream.h"

#include "CHugePages.h"

CRecordStream::CRecordStream(qsizetype pieceSize) {
    for (QByteArray& buffer : m_buffers)
        buffer = QByteArray(pieceSize, Qt::Uninitialized);
}

char* CRecordStream::Room(qsizetype need) {
    if (!m_bMapped[m_nFill]) {
        // A buffer is filled whole for any file of more than a piece: its pages are mapped in
        // one call when it is first used rather than a fault at a time.
        m_bMapped[m_nFill] = true;
        CHugePages::Populate(m_buffers[m_nFill].data(), size_t(m_buffers[m_nFill].size()));
    }
    if (m_sizes[m_nFill] + need <= m_buffers[m_nFill].size())
        return m_buffers[m_nFill].data() + m_sizes[m_nFill];
    std::unique_lock lock(m_mutex);
    if (m_bAbandoned) {
        m_sizes[m_nFill] = 0;
    } else if (m_sizes[m_nFill] > 0) {
        // This buffer is full: to the writer, and on with the other once it is written.
        m_bFull[m_nFill] = true;
        m_changed.notify_all();
        m_nFill ^= 1;
        m_changed.wait(lock, [this] { return !m_bFull[m_nFill] || m_bAbandoned; });
        m_sizes[m_nFill] = 0;
    }
    // A record larger than a piece gets a buffer of its own size.
    if (need > m_buffers[m_nFill].size())
        m_buffers[m_nFill] = QByteArray(need, Qt::Uninitialized);
    return m_buffers[m_nFill].data();
}

void CRecordStream::Commit(char* pEnd) {
    m_sizes[m_nFill] = pEnd - m_buffers[m_nFill].constData();
}

void CRecordStream::Close(bool bOk) {
    std::lock_guard lock(m_mutex);
    if (m_sizes[m_nFill] > 0)
        m_bFull[m_nFill] = true;
    m_bClosed = true;
    m_bOk = bOk;
    m_changed.notify_all();
}

CSafeFile::Piece CRecordStream::Next(QByteArray& piece) {
    std::unique_lock lock(m_mutex);
    if (m_nHanded >= 0) {
        m_bFull[m_nHanded] = false;
        m_nHanded = -1;
        m_changed.notify_all();
    }
    m_changed.wait(lock, [this] { return m_bFull[m_nOut] || m_bClosed; });
    if (m_bClosed && !m_bOk)
        return CSafeFile::Piece::Failed;
    if (!m_bFull[m_nOut])
        return CSafeFile::Piece::End;
    piece = QByteArray::fromRawData(m_buffers[m_nOut].constData(), m_sizes[m_nOut]);
    m_nHanded = m_nOut;
    m_nOut ^= 1;
    return CSafeFile::Piece::More;
}

void CRecordStream::Abandon() {
    std::lock_guard lock(m_mutex);
    m_bAbandoned = true;
    m_changed.notify_all();
}
