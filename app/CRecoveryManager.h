#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class CMainFrame;
class CVornDoc;
class QLockFile;
class QThread;

// Keeps a recovery copy of a document with unsaved changes, so that a crash or a power cut loses
// at most the last minute of work. While the document is modified its bytes are snapshotted on
// the user-interface thread every minute (and a few seconds after a command that changed many
// entries at once) and written on a worker thread, atomically, to a recovery file in the user's
// state folder (CRecoveryFile). Saving the document, or closing it without saving, removes the
// file. At start, recovery files left by a run that did not end properly are offered back.
//
// A running program holds a lock beside each recovery file it writes, so a second Velloby never
// offers the live copy of the first as a crashed one.
class CRecoveryManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 60000;
    static constexpr int kBulkDelayMs = 5000;
    // Replaces the interval for tests (milliseconds); the delay after many changes becomes the
    // smaller of the two.
    static constexpr const char* kIntervalVariable = "VELLOBY_RECOVERY_INTERVAL_MS";

    explicit CRecoveryManager(CVornDoc& doc, QObject* parent = nullptr);
    // Finishes the writes and removals already asked for.
    ~CRecoveryManager() override;

    // At start: asks about each recovery file newer than its contact file, newest first ("Yes"
    // opens it as a modified document bound to its original path, "No" deletes it, "Cancel"
    // keeps it for the next start). A damaged one is reported and left. True when a document was
    // recovered into `frame`.
    bool OfferRecovery(CMainFrame& frame);

    // Snapshots the document and writes its recovery file now, if it has unsaved changes.
    void WriteNow();
    // The document was closed without saving: its recovery file goes.
    void Discard();
    // A command changed many entries at once: write soon.
    void OnBulkChange();

    // The recovery file of the document, once one was written or recovered; else empty.
    QString RecoveryPath() const { return m_strRecoveryPath; }
    int IntervalMs() const { return m_nIntervalMs; }
    int BulkDelayMs() const { return m_nBulkDelayMs; }

signals:
    // A write finished on the worker thread (`bOk` false: it failed, and the old file stayed).
    void recoveryWritten(const QString& path, bool bOk);

private:
    void OnModifiedChanged(bool bModified);
    // Runs `job` on the worker thread, after every job asked for before it.
    void Post(std::function<void()> job);
    // Removes the document's recovery file (on the worker) and lets go of its lock.
    void RemoveRecoveryFile();

    CVornDoc& m_doc;
    QThread* m_pThread = nullptr;
    QObject* m_pWorker = nullptr;
    QTimer m_timerInterval;
    QTimer m_timerBulk;
    int m_nIntervalMs = kIntervalMs;
    int m_nBulkDelayMs = kBulkDelayMs;
    QString m_strRecoveryPath;
    std::shared_ptr<QLockFile> m_pLock;
    // A write is on its way; a snapshot asked for meanwhile waits for it, so a large document
    // never has two copies in flight.
    bool m_bWriting = false;
    bool m_bWriteAgain = false;
    // The bytes last handed to the worker: an unchanged document is not written again.
    QByteArray m_lastBytes;
};
