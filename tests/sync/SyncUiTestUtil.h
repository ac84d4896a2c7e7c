#pragma once

#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CPerson.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"
#include "ISyncJob.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace SyncUi {

inline CPerson Person(const QByteArray& name, const QByteArray& city = {}) {
    CPerson person;
    person.m_strName = name;
    person.m_strCity = city;
    return person;
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The names of the document's entries, in the file's order.
inline QStringList DocNames(const CVornDoc& doc) {
    QStringList names;
    for (const auto& pPerson : doc.m_personList)
        names.append(QString::fromUtf8(pPerson->m_strName));
    return names;
}

// The main window with its form over a contact file of given entries, saved at `path` (an
// empty path leaves the document untitled).
struct SWindow {
    CMemoryProfile profile;
    CVornApp app;
    CVornDoc doc{app};
    CMainFrame frame{doc};
    CVornView* view = nullptr;

    SWindow(const std::vector<CPerson>& people, const QString& path) {
        app.ReadSettings();
        view = new CVornView(doc, &frame);
        frame.SetFormView(view);
        frame.NewDocument();
        for (const CPerson& person : people)
            doc.m_personList.push_back(std::make_unique<CPerson>(person));
        if (!path.isEmpty()) {
            QString error;
            if (!doc.OnSaveDocument(path, &error))
                qWarning("cannot save the fixture: %s", qPrintable(error));
            doc.SetPathName(path);
        }
        view->OnInitialUpdate();
        frame.show();
        QApplication::setActiveWindow(&frame);
        if (!QTest::qWaitForWindowActive(&frame))
            qWarning("the window did not become active");
    }
    void Command(int id) { frame.Action(id)->trigger(); }
    QAction* Action(int id) const { return frame.Action(id); }
    QString Status() const { return frame.statusBar()->currentMessage(); }
    QStringList ListNames() const {
        QStringList names;
        for (int row = 0; row < view->PeopleModel().Count(); ++row)
            names.append(QString::fromUtf8(view->PeopleModel().PersonAt(row)->m_strName));
        return names;
    }
    template <typename T> T* Child(const char* name) const {
        return frame.findChild<T*>(QLatin1String(name));
    }
};

// Runs `action` on the next modal dialog once it shows.
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action, poll] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QApplication::setActiveWindow(modal);
            if (!QTest::qWaitForWindowActive(modal))
                qWarning("the dialog did not become active");
            action(modal);
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

// Sync jobs that play a script instead of talking to a server: each changes the document as a
// sync that received entries would, and ends with the scripted result. They are put in place
// for the lifetime of this object; every job started is recorded.
class CScriptedSyncJobs {
public:
    struct SScript {
        // What the sync does to the document before it finishes (may be empty).
        std::function<void(CVornDoc&)> change;
        CSyncResult result;
        // The job waits for Finish() (or a cancel) instead of ending on its own.
        bool bWait = false;
    };

    class CJob : public ISyncJob {
    public:
        CJob(CScriptedSyncJobs& owner, CVornDoc& doc, SScript script)
            : m_owner(owner), m_doc(doc), m_script(std::move(script)) {}
        void Start() override {
            m_owner.m_namesAtStart.append(DocNames(m_doc));
            m_owner.m_pRunning = this;
            emit progress(QStringLiteral("Sending 1 of 2..."), 1, 2);
            if (!m_script.bWait)
                QTimer::singleShot(0, this, [this] { Finish(); });
        }
        void Cancel() override {
            ++m_owner.m_nCancels;
            m_script.change = nullptr;
            m_script.result = CSyncResult();
            m_script.result.bCancelled = true;
            m_script.result.strError = QStringLiteral("cancelled");
            QTimer::singleShot(0, this, [this] { Finish(); });
        }
        void Finish() {
            if (m_bFinished)
                return;
            m_bFinished = true;
            if (m_script.change)
                m_script.change(m_doc);
            emit finished(m_script.result);
        }

    private:
        CScriptedSyncJobs& m_owner;
        CVornDoc& m_doc;
        SScript m_script;
        bool m_bFinished = false;
    };

    CScriptedSyncJobs() {
        ISyncJob::SetFactory(
            [this](CVornDoc& doc, const QString& path, const CSyncAccount& account) -> ISyncJob* {
                m_accounts.append(account);
                m_paths.append(path);
                SScript script;
                if (!m_scripts.isEmpty())
                    script = m_scripts.takeFirst();
                else
                    script.result.bOk = true;
                return new CJob(*this, doc, std::move(script));
            });
    }
    ~CScriptedSyncJobs() { ISyncJob::SetFactory({}); }

    static CSyncResult Ok(int nSent, int nReceived, bool bChanged, int nConflicts = 0) {
        CSyncResult result;
        result.bOk = true;
        result.nSent = nSent;
        result.nReceived = nReceived;
        result.nConflicts = nConflicts;
        result.bDocumentChanged = bChanged;
        return result;
    }
    static CSyncResult AuthFailed() {
        CSyncResult result;
        result.bAuthFailed = true;
        result.strError = QStringLiteral("The server refused the user name or password.");
        return result;
    }

    QList<SScript> m_scripts;
    QList<CSyncAccount> m_accounts;
    QStringList m_paths;
    QList<QStringList> m_namesAtStart;
    int m_nCancels = 0;
    QPointer<CJob> m_pRunning;
};

} // namespace SyncUi
