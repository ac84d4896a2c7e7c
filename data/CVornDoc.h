#pragma once

#include "CNotesLabel.h"
#include "CPerson.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CArchive;

// The open contact file: every entry and every group name, read and written in the contact-file
// layout. The document owns its records; the form holds plain pointers into m_personList.
class CVornDoc : public QObject {
    Q_OBJECT
public:
    // The record count is 16 bits, so a file holds at most this many entries.
    static constexpr qsizetype kMaxEntries = 65535;
    static constexpr int kVersion = 15;
    static constexpr int kOldVersion = 11;

    // `label` is the application's Notes label, which travels with each file.
    explicit CVornDoc(CNotesLabel& label, QObject* parent = nullptr);
    ~CVornDoc() override;

    // Loads or stores the whole file. Loading throws CArchiveException on damaged data; storing
    // throws it when there are more entries than the count can hold.
    void Serialize(CArchive& ar);

    // Deletes every record and group name, resets the Notes label text and the time value.
    void DeleteContents();
    // Starts an empty, unmodified document.
    bool OnNewDocument();
    // Reads `path`. On failure the document is left empty and `pError` says what went wrong.
    bool OnOpenDocument(const QString& path, QString* pError = nullptr);
    // Writes the whole file to `path` through a temporary file, so a failed save leaves the old
    // file as it was. On success the modified flag is cleared.
    bool OnSaveDocument(const QString& path, QString* pError = nullptr);

    // What a contact file holds, read apart from any document (a file read ahead on another
    // thread, before the document exists) and then taken over whole.
    struct SContents {
        std::vector<std::unique_ptr<CPerson>> personList;
        QList<QByteArray> groupList;
        int nVersion = kVersion;
        quint32 timeCreated = 0;
        CNotesLabel label;
    };
    // Reads a whole contact file from `ar`; throws CArchiveException on damaged data. Touches
    // no document and no Qt object, so it may run on any thread.
    static void ReadContents(CArchive& ar, SContents& contents);
    // Replaces the contents (entries, groups, Notes label, version, time) with `contents`, as a
    // successful load does; `contents` is left empty.
    void Adopt(SContents& contents);

    // Fills the document from the bytes of a contact file; false (document empty) on damage.
    bool LoadFromBytes(const QByteArray& bytes, QString* pError = nullptr);
    // The bytes of the whole file as it would be saved now.
    QByteArray SaveToBytes();

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true);

    // False when one more entry would not fit in the file's record count.
    bool CanAddEntry() const { return qsizetype(m_personList.size()) < kMaxEntries; }

    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }

    CNotesLabel& Label() { return m_label; }

    std::vector<std::unique_ptr<CPerson>> m_personList;
    QList<QByteArray> m_groupList;
    int m_nVersion = kVersion;
    quint32 m_timeCreated = 0;

    // The clock used for the time value; tests may replace it.
    std::function<quint32()> m_fnCurrentTime;

signals:
    void modifiedChanged(bool bModified);
    // Sent before the records are deleted, so whoever points at them can let go first.
    void contentsAboutToBeDeleted();
    // Sent by a command that removed or added many entries at once (a delete, a paste of
    // entries, a merge), so a recovery copy is written soon rather than at the next interval.
    void entriesChangedInBulk();

private:
    // Files this large free their old records on a thread of their own: freeing tens of
    // thousands of records still takes a few milliseconds (a count for each text), and nothing
    // waits for it.
    static constexpr size_t kReleaseAside = 4096;
    void ReleaseRecords();
    // Sizes the block for the texts of the `count` records that follow in `ar`.
    static void ReserveTexts(CArchive& ar, quint16 count, int nVersion);

    CNotesLabel& m_label;
    // The thread freeing the previous contents, if any; joined before the next one starts.
    std::thread m_releaser;
    bool m_bModified = false;
    QString m_strPathName;
};
