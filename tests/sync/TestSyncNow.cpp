// File > Synchronize Now from the window, with sync jobs that play a script: what the window
// does before, during and after a sync, whatever the server said.
#include "CScriptedPrompt.h"
#include "CScriptedSecretStore.h"
#include "CSyncSession.h"
#include "CUndoHistory.h"
#include "CommandIds.h"
#include "SyncUiTestUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>

using namespace SyncUi;

namespace {

const QString kUrl = QStringLiteral("https://dav.example.org/ab/");

void SetUpAccount(const QString& path, bool bSyncOnOpenSave) {
    CSyncAccount account;
    account.url = QUrl(kUrl);
    account.strUser = QStringLiteral("ann");
    account.bSyncOnOpenSave = bSyncOnOpenSave;
    QVERIFY(CSyncSession::SaveAccount(path, account));
}

QString Key() {
    return ISecretStore::SyncKey(kUrl, QStringLiteral("ann"));
}

// Answers each password dialog in turn with the next of `passwords`, ticking Remember when
// asked; the prompts they showed are collected.
void AnswerPasswords(QStringList passwords, bool bRemember, QStringList* pPrompts,
                     QList<bool>* pRememberOffered) {
    if (passwords.isEmpty())
        return;
    OnNextModal([=](QWidget* dlg) {
        if (dlg->objectName() != QLatin1String("syncPasswordDlg")) {
            qWarning("unexpected dialog %s", qPrintable(dlg->objectName()));
            return;
        }
        pPrompts->append(dlg->findChild<QLabel*>("promptLabel")->text());
        auto* remember = dlg->findChild<QCheckBox*>("rememberCheck");
        pRememberOffered->append(remember->isEnabled());
        QTest::keyClicks(dlg->findChild<QLineEdit*>("passwordEdit"), passwords.first());
        if (bRemember && remember->isEnabled())
            remember->setChecked(true);
        AnswerPasswords(passwords.mid(1), bRemember, pPrompts, pRememberOffered);
        QTest::mouseClick(dlg->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
}

// Shows the entry named `name` in the form, as a click on its line would.
void ShowEntry(SWindow& window, const QByteArray& name) {
    const QStringList names = window.ListNames();
    const int row = names.indexOf(QString::fromUtf8(name));
    QVERIFY(row >= 0);
    auto* list = window.Child<QListView>("listPeople");
    const QModelIndex index = list->model()->index(row, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QTRY_COMPARE(window.Child<QLineEdit>("editName")->text(), QString::fromUtf8(name));
}

} // namespace

class TestSyncNow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_nFile = 0;
    QString NewPath() { return m_dir.filePath(QStringLiteral("n%1.vby").arg(++m_nFile)); }

private slots:
    // The form's pending edit goes along; while the sync runs the editing commands and the
    // form are off and the status bar tells the progress; afterwards the list holds what came
    // in, the entry shown stays shown, the file is saved and Undo has nothing to take back.
    void syncNow() {
        const QString path = NewPath();
        SWindow window({Person("Ann Lee"), Person("Bob Ray", "Salem"), Person("Cy Dunn")}, path);
        SetUpAccount(path, false);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_passwords.insert(Key(), "kept-pw");
        CScriptedSyncJobs jobs;
        CScriptedSyncJobs::SScript script;
        script.bWait = true;
        script.result = CScriptedSyncJobs::Ok(1, 2, true);
        script.change = [](CVornDoc& doc) {
            doc.m_personList.push_back(std::make_unique<CPerson>(Person("Dee Received")));
            // Ann was deleted on the server.
            doc.m_personList.erase(doc.m_personList.begin());
        };
        jobs.m_scripts.append(script);

        ShowEntry(window, "Bob Ray");
        auto* city = window.Child<QComboBox>("comboCity");
        city->lineEdit()->selectAll();
        QTest::keyClicks(city->lineEdit(), "Troy");
        QVERIFY(window.view->IsChanged());
        QVERIFY(window.Action(CommandId::ActionNewRecord)->isEnabled());

        window.Command(CommandId::FileSyncNow);
        QCOMPARE(jobs.m_accounts.size(), 1);
        QCOMPARE(jobs.m_accounts[0].strPassword, QString("kept-pw"));
        QCOMPARE(jobs.m_paths[0], path);
        // The edit was stored before the sync started.
        QCOMPARE(window.doc.m_personList[1]->m_strCity, QByteArray("Troy"));
        QVERIFY(window.view->IsSyncRunning());
        QCOMPARE(window.Status(), QString("Sending 1 of 2..."));
        for (int id : {CommandId::ActionNewRecord, CommandId::ActionDelete, CommandId::FileOpen,
                       CommandId::FileNew, CommandId::FileSave, CommandId::EditPaste,
                       CommandId::FileSyncSetup, CommandId::FileAddFromFile})
            QVERIFY2(!window.Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!window.view->isEnabled());
        QVERIFY(!window.frame.acceptDrops());
        // The same command stops the sync.
        QVERIFY(window.Action(CommandId::FileSyncNow)->isEnabled());
        QCOMPARE(window.Action(CommandId::FileSyncNow)->text(), QString("Stop Synchroni&zing"));

        jobs.m_pRunning->Finish();
        QTRY_VERIFY(!window.view->IsSyncRunning());
        QCOMPARE(window.Status(), QString("Synced: 1 sent, 2 received"));
        QCOMPARE(window.ListNames(), QStringList({"Bob Ray", "Cy Dunn", "Dee Received"}));
        QCOMPARE(window.Child<QLineEdit>("editName")->text(), QString("Bob Ray"));
        QCOMPARE(window.Child<QComboBox>("comboCity")->currentText(), QString("Troy"));
        QVERIFY(window.view->isEnabled());
        QVERIFY(window.frame.acceptDrops());
        QVERIFY(window.Action(CommandId::ActionNewRecord)->isEnabled());
        QVERIFY(window.Action(CommandId::FileOpen)->isEnabled());
        QCOMPARE(window.Action(CommandId::FileSyncNow)->text(), QString("Synchroni&ze Now"));
        QVERIFY(!window.view->UndoHistory().CanUndo());
        // Saved: the file on disk holds what the sync brought.
        QVERIFY(!window.doc.IsModified());
        CNotesLabel label;
        CVornDoc saved(label);
        QVERIFY(saved.LoadFromBytes(ReadBytes(path)));
        QCOMPARE(DocNames(saved), QStringList({"Bob Ray", "Cy Dunn", "Dee Received"}));
        QCOMPARE(prompt.m_texts, QStringList());
    }

    // Synchronize Now while the sync runs stops it: nothing is saved and every command is
    // back as it was.
    void cancel() {
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, false);
        const QByteArray before = ReadBytes(path);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_passwords.insert(Key(), "kept-pw");
        CScriptedSyncJobs jobs;
        CScriptedSyncJobs::SScript script;
        script.bWait = true;
        jobs.m_scripts.append(script);
        const bool bUndoBefore = window.Action(CommandId::EditUndo)->isEnabled();
        window.Command(CommandId::FileSyncNow);
        QVERIFY(window.view->IsSyncRunning());
        window.Command(CommandId::FileSyncNow);
        QCOMPARE(jobs.m_nCancels, 1);
        QTRY_VERIFY(!window.view->IsSyncRunning());
        QCOMPARE(window.Status(), QString("Sync stopped"));
        QCOMPARE(jobs.m_accounts.size(), 1);
        QCOMPARE(ReadBytes(path), before);
        QVERIFY(window.Action(CommandId::ActionNewRecord)->isEnabled());
        QCOMPARE(window.Action(CommandId::EditUndo)->isEnabled(), bUndoBefore);
        QCOMPARE(prompt.m_texts, QStringList());
    }

    // Closing the window while a sync runs asks first: Yes stops the sync and closes once it
    // has stopped (the document outlives it), No leaves both running.
    void closeWhileSyncing_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop and close") << true;
        QTest::newRow("keep syncing") << false;
    }
    void closeWhileSyncing() {
        QFETCH(bool, stop);
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, false);
        CScriptedPrompt prompt;
        prompt.QueueAnswer(stop ? IPrompt::AnswerYes : IPrompt::AnswerNo);
        CScriptedSecretStore store;
        store.m_passwords.insert(Key(), "kept-pw");
        CScriptedSyncJobs jobs;
        CScriptedSyncJobs::SScript script;
        script.bWait = true;
        jobs.m_scripts.append(script);
        window.Command(CommandId::FileSyncNow);
        QVERIFY(window.view->IsSyncRunning());
        QCOMPARE(window.frame.close(), stop);
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY2(prompt.m_texts[0].contains("sync is running"), qPrintable(prompt.m_texts[0]));
        QCOMPARE(jobs.m_nCancels, stop ? 1 : 0);
        QCOMPARE(window.view->IsSyncRunning(), !stop);
        QCOMPARE(window.frame.isVisible(), !stop);
        if (!stop) {
            jobs.m_pRunning->Finish();
            QTRY_VERIFY(!window.view->IsSyncRunning());
        }
    }

    // With no password kept the user is asked; Remember keeps it once the server took it; a
    // refused password is asked for once more, and a second refusal is told.
    void password_data() {
        QTest::addColumn<bool>("storeRuns");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<int>("refusals");
        QTest::addColumn<QStringList>("sent"); // the password of each sync run
        QTest::addColumn<QString>("keptAfter");
        QTest::addColumn<bool>("failed");

        QTest::newRow("no store: asked, nothing kept")
            << false << "" << QStringList{"typed-1"} << true << 0 << QStringList{"typed-1"} << ""
            << false;
        QTest::newRow("store without it: asked, not remembered")
            << true << "" << QStringList{"typed-1"} << false << 0 << QStringList{"typed-1"} << ""
            << false;
        QTest::newRow("store without it: asked and remembered")
            << true << "" << QStringList{"typed-1"} << true << 0 << QStringList{"typed-1"}
            << "typed-1" << false;
        QTest::newRow("kept one refused: asked again")
            << true << "old-pw" << QStringList{"new-pw"} << true << 1
            << QStringList{"old-pw", "new-pw"} << "new-pw" << false;
        QTest::newRow("refused twice: the failure is told")
            << true << "old-pw" << QStringList{"new-pw"} << true << 2
            << QStringList{"old-pw", "new-pw"} << "old-pw" << true;
        QTest::newRow("typed one refused twice")
            << false << "" << QStringList{"typed-1", "typed-2"} << false << 2
            << QStringList{"typed-1", "typed-2"} << "" << true;
    }
    void password() {
        QFETCH(bool, storeRuns);
        QFETCH(QString, kept);
        QFETCH(QStringList, typed);
        QFETCH(bool, remember);
        QFETCH(int, refusals);
        QFETCH(QStringList, sent);
        QFETCH(QString, keptAfter);
        QFETCH(bool, failed);
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, false);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_bAvailable = storeRuns;
        if (!kept.isEmpty())
            store.m_passwords.insert(Key(), kept);
        CScriptedSyncJobs jobs;
        for (int i = 0; i < refusals; ++i)
            jobs.m_scripts.append({nullptr, CScriptedSyncJobs::AuthFailed(), false});
        QStringList prompts;
        QList<bool> rememberOffered;
        AnswerPasswords(typed, remember, &prompts, &rememberOffered);
        window.Command(CommandId::FileSyncNow);
        QTRY_VERIFY(!window.view->IsSyncRunning());
        QCOMPARE(prompts.size(), typed.size());
        for (bool bOffered : rememberOffered)
            QCOMPARE(bOffered, storeRuns);
        // The password asked for after a refusal says so.
        if (refusals > 0)
            QVERIFY2(prompts.last().contains("refused"), qPrintable(prompts.last()));
        QStringList passwords;
        for (const CSyncAccount& account : std::as_const(jobs.m_accounts))
            passwords.append(account.strPassword);
        QCOMPARE(passwords, sent);
        QCOMPARE(store.m_passwords.value(Key()), keptAfter);
        if (failed) {
            QCOMPARE(prompt.m_texts.size(), 1);
            QVERIFY2(prompt.m_texts[0].startsWith("Sync failed: "), qPrintable(prompt.m_texts[0]));
            QVERIFY(window.Status().startsWith("Sync failed: "));
        } else {
            QCOMPARE(prompt.m_texts, QStringList());
            QCOMPARE(window.Status(), QString("Synced: 0 sent, 0 received"));
        }
    }

    // Cancelling the password question runs no sync.
    void passwordCancelled() {
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, false);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        CScriptedSyncJobs jobs;
        OnNextModal([](QWidget* dlg) {
            QTest::mouseClick(dlg->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        });
        window.Command(CommandId::FileSyncNow);
        QVERIFY(!window.view->IsSyncRunning());
        QCOMPARE(jobs.m_accounts.size(), 0);
        QVERIFY(window.view->isEnabled());
        QVERIFY(window.Action(CommandId::ActionNewRecord)->isEnabled());
    }

    // A failed sync is told in a message and in the status bar; the file stays as it was.
    void failure() {
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, false);
        const QByteArray before = ReadBytes(path);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_passwords.insert(Key(), "kept-pw");
        CScriptedSyncJobs jobs;
        CSyncResult result;
        result.strError = QStringLiteral("The server could not be reached.");
        jobs.m_scripts.append({nullptr, result, false});
        window.Command(CommandId::FileSyncNow);
        QTRY_VERIFY(!window.view->IsSyncRunning());
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY(prompt.m_texts[0].contains("The server could not be reached."));
        QCOMPARE(window.Status(), prompt.m_texts[0]);
        QCOMPARE(ReadBytes(path), before);
        QVERIFY(!window.doc.IsModified());
    }

    // A file set up to sync when opened and saved does so once after each; the save of what
    // the sync brought starts no second sync. Without the flag nothing syncs by itself.
    void syncOnOpenAndSave_data() {
        QTest::addColumn<bool>("flag");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void syncOnOpenAndSave() {
        QFETCH(bool, flag);
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        SetUpAccount(path, flag);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        store.m_passwords.insert(Key(), "kept-pw");
        CScriptedSyncJobs jobs;
        const auto received = [](CVornDoc& doc) {
            doc.m_personList.push_back(std::make_unique<CPerson>(Person("New From Server")));
        };
        jobs.m_scripts.append({received, CScriptedSyncJobs::Ok(0, 1, true), false});

        window.Command(CommandId::FileSave);
        const int nAfterSave = flag ? 1 : 0;
        QTRY_COMPARE(jobs.m_accounts.size(), nAfterSave);
        QTRY_VERIFY(!window.view->IsSyncRunning());
        // Time for a sync the sync's own save might wrongly start.
        QTest::qWait(100);
        QCOMPARE(jobs.m_accounts.size(), nAfterSave);
        QCOMPARE(window.doc.m_personList.size(), size_t(flag ? 2 : 1));
        QVERIFY(!window.doc.IsModified());

        QVERIFY(window.frame.OpenDocumentFile(path));
        QTRY_COMPARE(jobs.m_accounts.size(), flag ? 2 : 0);
        QTRY_VERIFY(!window.view->IsSyncRunning());
        QTest::qWait(100);
        QCOMPARE(jobs.m_accounts.size(), flag ? 2 : 0);
        QCOMPARE(prompt.m_texts, QStringList());
    }
};

QTEST_MAIN(TestSyncNow)
#include "TestSyncNow.moc"
