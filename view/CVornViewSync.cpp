// Sync with a CardDAV address book: File > Synchronize... sets it up, File > Synchronize Now
// (and its toolbar button) runs a sync on the window's event loop, and a file set up for it
// syncs after it is opened and after each save.
#include "CVornView.h"

#include "CMainFrame.h"
#include "CPeopleListModel.h"
#include "CSyncDlg.h"
#include "CSyncPasswordDlg.h"
#include "CSyncSession.h"
#include "CVornDoc.h"
#include "CommandIds.h"
#include "IPrompt.h"
#include "ISecretStore.h"
#include "ISyncJob.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

namespace {

const QString kSyncNowText = QStringLiteral("Synchroni&ze Now");
const QString kSyncNowTip = QStringLiteral("Synchronize Now");
const QString kStopText = QStringLiteral("Stop Synchroni&zing");
const QString kStopTip = QStringLiteral("Stop Synchronizing");

void ShowStatus(QWidget* pView, const QString& text) {
    if (auto* pFrame = qobject_cast<QMainWindow*>(pView->window()))
        pFrame->statusBar()->showMessage(text);
}

QString KeyOf(const CSyncAccount& account) {
    return ISecretStore::SyncKey(account.url.toString(), account.strUser);
}

// The commands that stay usable while a sync runs: they change neither the document nor the
// form. Everything else waits for the sync to end.
bool StaysEnabledWhileSyncing(int nId) {
    switch (nId) {
    case CommandId::FileSyncNow:
    case CommandId::ViewToolbar:
    case CommandId::ViewStatusBar:
    case CommandId::HelpIndex:
    case CommandId::HelpUsing:
    case CommandId::HelpContext:
    case CommandId::Help:
    case CommandId::AppAbout:
    case CommandId::AppExit:
        return true;
    default:
        return false;
    }
}

} // namespace

// What one sync run needs between its start and its end.
class CVornView::CSyncRun : public QObject {
public:
    explicit CSyncRun(CVornView* pView) : QObject(pView), m_pView(pView) {}

    CSyncAccount m_account;
    QString m_strKey;
    QPointer<ISyncJob> m_pJob;
    // Keep the password in the secret store once the server took it.
    bool m_bRemember = false;
    // The server refused a password once already.
    bool m_bRetried = false;
    bool m_bCancelled = false;
    // The enabled state of each command the run disabled.
    QHash<QAction*, bool> m_actionStates;
    bool m_bAcceptedDrops = false;
    // The entry the form showed, by identity and by name, to show again afterwards.
    const CPerson* m_pShown = nullptr;
    QByteArray m_shownName;
    // A close of the window waiting for the run to stop.
    QPointer<QEventLoop> m_pWaitLoop;

protected:
    // Closing the window stops the sync first, after asking.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_pView->window() || event->type() != QEvent::Close)
            return false;
        if (IPrompt::Ask(m_pView->window(),
                         QStringLiteral("A sync is running. Stop it and close the window?"),
                         IPrompt::YesNo) != IPrompt::AnswerYes) {
            event->ignore();
            return true;
        }
        // The document must outlive the session, so the close waits for it to stop.
        QPointer<CSyncRun> pSelf(this);
        QEventLoop loop;
        m_pWaitLoop = &loop;
        m_bCancelled = true;
        if (m_pJob)
            m_pJob->Cancel();
        if (pSelf && m_pJob)
            loop.exec();
        return false;
    }

private:
    CVornView* m_pView;
};

void CVornView::ConnectSyncCommands(const QHash<int, QAction*>& actions) {
    m_syncActions = actions;
    const std::pair<int, void (CVornView::*)()> commands[] = {
        {CommandId::FileSyncSetup, &CVornView::OnSyncSetup},
        {CommandId::FileSyncNow, &CVornView::OnSyncNow},
    };
    for (const auto& [id, handler] : commands) {
        QAction* pAction = actions.value(id);
        if (!pAction)
            continue;
        pAction->setEnabled(true);
        connect(pAction, &QAction::triggered, this, handler);
    }
    if (auto* pFrame = qobject_cast<CMainFrame*>(window())) {
        connect(pFrame, &CMainFrame::DocumentOpened, this, &CVornView::ScheduleAutoSync);
        connect(pFrame, &CMainFrame::DocumentSaved, this, [this] {
            // The save of what a sync brought starts no sync of its own.
            if (!m_bSyncSaving)
                ScheduleAutoSync();
        });
    }
}

void CVornView::ScheduleAutoSync() {
    // Once the command that opened or saved the file is over and the window shows the result.
    QTimer::singleShot(0, this, [this] {
        if (!m_pSyncRun && window()->isVisible() && !m_doc.GetPathName().isEmpty())
            StartSync(true);
    });
}

bool CVornView::EnsureSavedForSync() {
    if (!m_doc.GetPathName().isEmpty())
        return true;
    auto* pFrame = qobject_cast<CMainFrame*>(window());
    if (!pFrame ||
        IPrompt::Ask(this,
                     QStringLiteral("The sync settings and state are kept beside the contact "
                                    "file, so it must be saved first. Save it now?"),
                     IPrompt::YesNo) != IPrompt::AnswerYes)
        return false;
    return pFrame->SaveDocument() && !m_doc.GetPathName().isEmpty();
}

void CVornView::OnSyncSetup() {
    if (!m_pSyncRun)
        RunSyncSetup();
    FocusName();
}

bool CVornView::RunSyncSetup() {
    if (!EnsureSavedForSync())
        return false;
    const QString path = m_doc.GetPathName();
    CSyncAccount account;
    CSyncSession::LoadAccount(path, account);
    ISecretStore& store = ISecretStore::Instance();
    const bool bStoreAvailable = store.IsAvailable();
    QString stored;
    const bool bStored = bStoreAvailable && !account.url.isEmpty() &&
                         store.Read(KeyOf(account), stored) == ISecretStore::Status::Found;
    stored.fill(QLatin1Char(' '));

    CSyncDlg dlg(account, bStoreAvailable, bStored, window());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const CSyncAccount chosen = dlg.Account();
    QString error;
    if (!CSyncSession::SaveAccount(path, chosen, &error)) {
        IPrompt::Message(this, QStringLiteral("The sync settings were not stored. %1").arg(error),
                         IPrompt::Critical);
        return false;
    }
    if (!dlg.m_strPassword.isEmpty() && !store.Write(KeyOf(chosen), dlg.m_strPassword, &error))
        IPrompt::Message(this,
                         QStringLiteral("The password was not kept in the secret store (%1). "
                                        "It will be asked for at each sync.")
                             .arg(error),
                         IPrompt::Warning);
    dlg.m_strPassword.fill(QLatin1Char(' '));
    ShowStatus(this, QStringLiteral("This file syncs with %1").arg(chosen.url.toString()));
    return true;
}

bool CVornView::CommitFormForSync() {
    ReadForm();
    if (!m_bChanged)
        return true;
    if (m_nEditMode == ModeEdited) {
        UpdateEntry();
        return true;
    }
    // A new entry typed into the blank form is added, so the sync takes it along.
    if (m_nEditMode == ModeBlank && !m_strName.trimmed().isEmpty()) {
        const size_t nBefore = m_doc.m_personList.size();
        AddEntry();
        return m_doc.m_personList.size() > nBefore;
    }
    return true;
}

void CVornView::OnSyncNow() {
    if (m_pSyncRun) {
        // The same command stops the sync that runs.
        m_pSyncRun->m_bCancelled = true;
        if (m_pSyncRun->m_pJob)
            m_pSyncRun->m_pJob->Cancel();
        ShowStatus(this, QStringLiteral("Stopping the sync..."));
        return;
    }
    StartSync(false);
}

void CVornView::StartSync(bool bAuto) {
    if (m_pSyncRun)
        return;
    if (!bAuto && !EnsureSavedForSync()) {
        FocusName();
        return;
    }
    const QString path = m_doc.GetPathName();
    CSyncAccount account;
    if (!CSyncSession::LoadAccount(path, account)) {
        if (bAuto)
            return;
        // Nothing set up yet: the setup first, then the sync.
        if (!RunSyncSetup() || !CSyncSession::LoadAccount(path, account)) {
            FocusName();
            return;
        }
    }
    if (bAuto && !account.bSyncOnOpenSave)
        return;
    if (CSyncDlg::IsPlainHttpToOtherHost(account.url) && !account.bPlainHttpConfirmed) {
        if (IPrompt::Ask(this,
                         QStringLiteral("%1 uses plain http: the password and the contacts go "
                                        "over the network unencrypted, and anyone on the way "
                                        "can read or change them. Use it all the same?")
                             .arg(account.url.toString()),
                         IPrompt::YesNo) != IPrompt::AnswerYes) {
            FocusName();
            return;
        }
        account.bPlainHttpConfirmed = true;
    }
    if (!CommitFormForSync()) {
        FocusName();
        return;
    }

    m_pSyncRun = new CSyncRun(this);
    m_pSyncRun->m_account = account;
    m_pSyncRun->m_strKey = KeyOf(account);
    QString password;
    if (ISecretStore::Instance().Read(m_pSyncRun->m_strKey, password) ==
        ISecretStore::Status::Found) {
        m_pSyncRun->m_account.strPassword = password;
    } else if (!AskSyncPassword(false)) {
        delete m_pSyncRun;
        m_pSyncRun = nullptr;
        ShowStatus(this, QStringLiteral("Sync cancelled"));
        FocusName();
        return;
    }
    password.fill(QLatin1Char(' '));
    m_pSyncRun->m_pShown = m_pShownPerson;
    if (m_pShownPerson)
        m_pSyncRun->m_shownName = m_pShownPerson->m_strName;
    SetSyncRunning(true);
    StartSyncJob();
}

bool CVornView::AskSyncPassword(bool bRefused) {
    const CSyncAccount& account = m_pSyncRun->m_account;
    const QString who = QStringLiteral("%1 at %2").arg(account.strUser, account.url.host());
    const QString prompt =
        bRefused ? QStringLiteral("The server refused the password. Enter the password of %1 "
                                  "again:")
                       .arg(who)
                 : QStringLiteral("Enter the password of %1:").arg(who);
    CSyncPasswordDlg dlg(prompt, ISecretStore::Instance().IsAvailable(), window());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    m_pSyncRun->m_account.strPassword = dlg.m_strPassword;
    m_pSyncRun->m_bRemember = dlg.m_bRemember;
    dlg.m_strPassword.fill(QLatin1Char(' '));
    return true;
}

void CVornView::StartSyncJob() {
    ISyncJob* pJob = ISyncJob::Create(m_doc, m_doc.GetPathName(), m_pSyncRun->m_account);
    pJob->setParent(m_pSyncRun);
    m_pSyncRun->m_pJob = pJob;
    connect(pJob, &ISyncJob::progress, this, &CVornView::OnSyncProgress);
    connect(pJob, &ISyncJob::finished, this, &CVornView::OnSyncFinished, Qt::QueuedConnection);
    ShowStatus(this, QStringLiteral("Synchronizing..."));
    pJob->Start();
}

void CVornView::OnSyncProgress(const QString& strStep, int nDone, int nTotal) {
    Q_UNUSED(nDone);
    Q_UNUSED(nTotal);
    if (m_pSyncRun && !m_pSyncRun->m_bCancelled)
        ShowStatus(this, strStep);
}

void CVornView::SetSyncRunning(bool bRunning) {
    QWidget* pWindow = window();
    if (bRunning) {
        for (auto it = m_syncActions.cbegin(); it != m_syncActions.cend(); ++it) {
            if (StaysEnabledWhileSyncing(it.key()) || !it.value())
                continue;
            m_pSyncRun->m_actionStates.insert(it.value(), it.value()->isEnabled());
            it.value()->setEnabled(false);
        }
        if (QAction* pNow = m_syncActions.value(CommandId::FileSyncNow)) {
            pNow->setText(kStopText);
            pNow->setToolTip(kStopTip);
        }
        // A file dropped on the window would replace the document under the sync.
        m_pSyncRun->m_bAcceptedDrops = pWindow->acceptDrops();
        pWindow->setAcceptDrops(false);
        pWindow->installEventFilter(m_pSyncRun);
        setEnabled(false);
        return;
    }
    pWindow->removeEventFilter(m_pSyncRun);
    pWindow->setAcceptDrops(m_pSyncRun->m_bAcceptedDrops);
    for (auto it = m_pSyncRun->m_actionStates.cbegin(); it != m_pSyncRun->m_actionStates.cend();
         ++it)
        it.key()->setEnabled(it.value());
    if (QAction* pNow = m_syncActions.value(CommandId::FileSyncNow)) {
        pNow->setText(kSyncNowText);
        pNow->setToolTip(kSyncNowTip);
    }
    setEnabled(true);
}

void CVornView::OnSyncFinished(const CSyncResult& result) {
    if (!m_pSyncRun)
        return;
    CSyncRun& run = *m_pSyncRun;
    // A refused password is asked for once more, and the sync runs again.
    if (result.bAuthFailed && !run.m_bRetried && !run.m_bCancelled && !run.m_pWaitLoop) {
        run.m_bRetried = true;
        if (run.m_pJob)
            run.m_pJob->deleteLater();
        if (AskSyncPassword(true)) {
            StartSyncJob();
            return;
        }
        SetSyncRunning(false);
        delete m_pSyncRun;
        m_pSyncRun = nullptr;
        ShowStatus(this, result.Summary());
        FocusName();
        return;
    }

    // The password the server took is kept when the user asked for it.
    if (run.m_bRemember && result.bOk) {
        QString error;
        if (!ISecretStore::Instance().Write(run.m_strKey, run.m_account.strPassword, &error))
            IPrompt::Message(this,
                             QStringLiteral("The password was not kept in the secret store "
                                            "(%1).")
                                 .arg(error),
                             IPrompt::Warning);
    }
    run.m_account.strPassword.fill(QLatin1Char(' '));
    const CPerson* pShown = run.m_pShown;
    const QByteArray shownName = run.m_shownName;
    const bool bClosing = run.m_pWaitLoop != nullptr;
    SetSyncRunning(false);
    QPointer<QEventLoop> pWaitLoop = run.m_pWaitLoop;
    // Later: a close of the window may be waiting inside the run's own event filter.
    m_pSyncRun->deleteLater();
    m_pSyncRun = nullptr;

    if (result.bDocumentChanged) {
        // Entries came and went under the history's feet: a sync is not undoable, and what
        // came before it cannot be undone across it either.
        m_undo.Clear();
        m_doc.SetModifiedFlag(true);
        OnUpdate();
        // The entry shown before stays shown while it exists: the same record (the server's
        // changes are written into it), else the record of the same name.
        CPerson* pAgain = nullptr;
        for (const auto& pPerson : m_doc.m_personList) {
            if (pPerson.get() == pShown) {
                pAgain = pPerson.get();
                break;
            }
        }
        if (!pAgain && !shownName.isEmpty()) {
            for (const auto& pPerson : m_doc.m_personList) {
                if (pPerson->m_strName == shownName) {
                    pAgain = pPerson.get();
                    break;
                }
            }
        }
        const int row = pAgain ? m_pPeopleModel->FindPerson(pAgain) : -1;
        if (row >= 0) {
            SetCaretLine(row, true);
            ShowSelectedPerson();
            UpdateButtons();
            UpdateCounters();
        }
        // What the sync brought is saved at once, as the server already has it: the file and
        // the sidecar must tell the same story to the next sync.
        if (result.bOk) {
            if (auto* pFrame = qobject_cast<CMainFrame*>(window())) {
                m_bSyncSaving = true;
                pFrame->SaveDocument();
                m_bSyncSaving = false;
            }
        }
    }

    if (result.bCancelled)
        ShowStatus(this, QStringLiteral("Sync stopped"));
    else
        ShowStatus(this, result.Summary());
    if (!result.bOk && !result.bCancelled && !bClosing)
        IPrompt::Message(this, result.Summary(), IPrompt::Warning);
    if (pWaitLoop)
        pWaitLoop->quit();
    else
        FocusName();
}
