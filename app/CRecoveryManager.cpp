#include "CRecoveryManager.h"

#include "CArchive.h"
#include "CEarlyOpen.h"
#include "CMainFrame.h"
#include "CRecoveryFile.h"
#include "CSafeFile.h"
#include "CVornDoc.h"
#include "IFormView.h"
#include "IPrompt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QThread>
#include <algorithm>
#include <vector>

namespace {

const QString kQuestion =
    QStringLiteral("Velloby did not close properly. Recover the unsaved changes to %1 from %2?");
const QString kDamaged = QStringLiteral("Velloby found a recovery file it cannot use:\n%1\n\n"
                                        "It cannot be read because %2. The file is left where "
                                        "it is.");

std::shared_ptr<QLockFile> LockFor(const QString& recoveryPath) {
    auto pLock = std::make_shared<QLockFile>(recoveryPath + QStringLiteral(".lock"));
    // A lock whose program is gone is stale at once: waiting would only delay the next start.
    pLock->setStaleLockTime(0);
    return pLock;
}

// A recovery file found at start, with its lock held while it is being asked about.
struct CFound {
    QString strFile;
    CRecoveryFile recovery;
    std::shared_ptr<QLockFile> pLock;
};

} // namespace

CRecoveryManager::CRecoveryManager(CVornDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {
    bool bOk = false;
    const int nInterval = qEnvironmentVariableIntValue(kIntervalVariable, &bOk);
    if (bOk && nInterval > 0) {
        m_nIntervalMs = nInterval;
        m_nBulkDelayMs = std::min(kBulkDelayMs, nInterval);
    }
    m_pThread = new QThread(this);
    m_pThread->setObjectName(QStringLiteral("recoveryWriter"));
    m_pWorker = new QObject;
    m_pWorker->moveToThread(m_pThread);
    connect(m_pThread, &QThread::finished, m_pWorker, &QObject::deleteLater);
    m_pThread->start(QThread::LowPriority);

    m_timerInterval.setInterval(m_nIntervalMs);
    connect(&m_timerInterval, &QTimer::timeout, this, &CRecoveryManager::WriteNow);
    m_timerBulk.setSingleShot(true);
    connect(&m_timerBulk, &QTimer::timeout, this, &CRecoveryManager::WriteNow);
    connect(&m_doc, &CVornDoc::modifiedChanged, this, &CRecoveryManager::OnModifiedChanged);
    connect(&m_doc, &CVornDoc::entriesChangedInBulk, this, &CRecoveryManager::OnBulkChange);
    if (m_doc.IsModified())
        m_timerInterval.start();
}

CRecoveryManager::~CRecoveryManager() {
    // The quit is a job too, so every write and removal asked for before it is done first.
    QThread* pThread = m_pThread;
    Post([pThread] { pThread->quit(); });
    m_pThread->wait();
}

void CRecoveryManager::Post(std::function<void()> job) {
    QMetaObject::invokeMethod(m_pWorker, std::move(job), Qt::QueuedConnection);
}

void CRecoveryManager::OnModifiedChanged(bool bModified) {
    if (bModified) {
        m_timerInterval.start();
        return;
    }
    // Saved, or replaced by another document after the question to save: the copy has done
    // its work.
    RemoveRecoveryFile();
}

void CRecoveryManager::OnBulkChange() {
    if (!m_doc.IsModified())
        return;
    if (!m_timerBulk.isActive())
        m_timerBulk.start(m_nBulkDelayMs);
}

void CRecoveryManager::Discard() {
    RemoveRecoveryFile();
}

void CRecoveryManager::RemoveRecoveryFile() {
    m_timerInterval.stop();
    m_timerBulk.stop();
    m_bWriteAgain = false;
    m_lastBytes.clear();
    if (m_strRecoveryPath.isEmpty())
        return;
    const QString path = m_strRecoveryPath;
    std::shared_ptr<QLockFile> pLock = std::move(m_pLock);
    m_strRecoveryPath.clear();
    // After any write still on its way, so the file never comes back.
    Post([path, pLock] {
        QFile::remove(path);
        if (pLock)
            pLock->unlock();
    });
}

void CRecoveryManager::WriteNow() {
    if (!m_doc.IsModified())
        return;
    if (m_bWriting) {
        m_bWriteAgain = true;
        return;
    }
    // Each contact file has its recovery file; a document never saved keeps the one it got.
    const QString docPath = m_doc.GetPathName();
    QString target = CRecoveryFile::PathFor(docPath);
    if (docPath.isEmpty())
        target =
            m_strRecoveryPath.isEmpty() ||
                    !QFileInfo(m_strRecoveryPath).fileName().startsWith(QStringLiteral("untitled-"))
                ? CRecoveryFile::UntitledPath()
                : m_strRecoveryPath;
    if (target != m_strRecoveryPath) {
        RemoveRecoveryFile();
        m_strRecoveryPath = target;
        QDir().mkpath(CRecoveryFile::Folder());
        m_pLock = LockFor(target);
        // Another Velloby with the same file open holds it; the copy is written all the same.
        if (!m_pLock->tryLock(0))
            m_pLock.reset();
        m_timerInterval.start();
    }

    CRecoveryFile recovery;
    recovery.m_strPath = docPath;
    recovery.m_nTimeMs = QDateTime::currentMSecsSinceEpoch();
    // A snapshot changes nothing in the document: its version stays what was read.
    const int nVersion = m_doc.m_nVersion;
    try {
        recovery.m_bytes = m_doc.SaveToBytes();
    } catch (const CArchiveException&) {
        m_doc.m_nVersion = nVersion;
        return;
    }
    m_doc.m_nVersion = nVersion;
    if (recovery.m_bytes == m_lastBytes)
        return;
    m_lastBytes = recovery.m_bytes;

    m_bWriting = true;
    const QString folder = CRecoveryFile::Folder();
    Post([this, target, folder, recovery = std::move(recovery)] {
        QDir().mkpath(folder);
        const bool bOk = CSafeFile::Write(target, recovery.Encode());
        QMetaObject::invokeMethod(
            this,
            [this, target, bOk] {
                m_bWriting = false;
                emit recoveryWritten(target, bOk);
                if (std::exchange(m_bWriteAgain, false))
                    WriteNow();
            },
            Qt::QueuedConnection);
    });
}

bool CRecoveryManager::OfferRecovery(CMainFrame& frame) {
    const QDir folder(CRecoveryFile::Folder());
    const QStringList names = folder.entryList({QStringLiteral("*") + CRecoveryFile::kExtension},
                                               QDir::Files, QDir::Name);
    std::vector<CFound> found;
    for (const QString& name : names) {
        const QString file = folder.filePath(name);
        auto pLock = LockFor(file);
        // A running Velloby is writing this one: nothing crashed.
        if (!pLock->tryLock(0))
            continue;
        QFile input(file);
        CRecoveryFile recovery;
        QString error;
        bool bGood = false;
        if (!input.open(QIODevice::ReadOnly)) {
            error = input.errorString();
        } else if (recovery.Decode(input.readAll(), &error)) {
            // The contact-file bytes must open too.
            CNotesLabel label;
            CVornDoc probe(label);
            bGood = probe.LoadFromBytes(recovery.m_bytes, &error);
        }
        if (!bGood) {
            IPrompt::Message(frame.window(), kDamaged.arg(QDir::toNativeSeparators(file), error),
                             IPrompt::Warning);
            continue;
        }
        if (!recovery.m_strPath.isEmpty()) {
            // The contact file was saved after the copy was made: the copy is out of date.
            const QFileInfo info(recovery.m_strPath);
            if (info.exists() && info.lastModified().toMSecsSinceEpoch() >= recovery.m_nTimeMs) {
                QFile::remove(file);
                continue;
            }
        }
        found.push_back({file, std::move(recovery), std::move(pLock)});
    }
    std::stable_sort(found.begin(), found.end(), [](const CFound& a, const CFound& b) {
        return a.recovery.m_nTimeMs > b.recovery.m_nTimeMs;
    });
    // The question shows over an empty form, not one that was never filled.
    if (!found.empty()) {
        // Whatever the answer, a file read ahead while the program started is not taken.
        CEarlyOpen::Discard();
        if (IFormView* pView = frame.FormView())
            pView->OnInitialUpdate();
    }

    for (CFound& candidate : found) {
        const CRecoveryFile& recovery = candidate.recovery;
        const QString name = recovery.m_strPath.isEmpty()
                                 ? CMainFrame::kUntitled
                                 : QDir::toNativeSeparators(recovery.m_strPath);
        const QString when = QLocale::system().toString(
            QDateTime::fromMSecsSinceEpoch(recovery.m_nTimeMs), QLocale::ShortFormat);
        const IPrompt::Answer answer =
            IPrompt::Ask(frame.window(), kQuestion.arg(name, when), IPrompt::YesNoCancel);
        if (answer == IPrompt::AnswerNo) {
            QFile::remove(candidate.strFile);
            continue;
        }
        if (answer != IPrompt::AnswerYes)
            continue;

        // The recovered entries, bound to the original file but not saved to it.
        if (!m_doc.LoadFromBytes(recovery.m_bytes))
            continue;
        m_doc.SetPathName(recovery.m_strPath.isEmpty()
                              ? QString()
                              : QFileInfo(recovery.m_strPath).absoluteFilePath());
        if (IFormView* pView = frame.FormView())
            pView->OnInitialUpdate();
        // This copy stays the document's recovery file until it is saved or closed.
        m_strRecoveryPath = candidate.strFile;
        m_pLock = std::move(candidate.pLock);
        m_lastBytes = recovery.m_bytes;
        m_doc.SetModifiedFlag(true);
        // A document never saved has no file to go back to: offer to give it one.
        if (recovery.m_strPath.isEmpty())
            frame.SaveDocumentAs();
        return true;
    }
    return false;
}
