// File > Synchronize...: what the dialog takes, and where each part of it is kept.
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CScriptedSecretStore.h"
#include "CSyncSession.h"
#include "CommandIds.h"
#include "SyncUiTestUtil.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using namespace SyncUi;

namespace {

// Every file under `dir` that holds `secret`, as UTF-8 or UTF-16.
QStringList FilesHolding(const QString& dir, const QString& secret) {
    QStringList found;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = ReadBytes(path);
        const QByteArray utf16(reinterpret_cast<const char*>(secret.utf16()), secret.size() * 2);
        if (bytes.contains(secret.toUtf8()) || bytes.contains(utf16))
            found.append(path);
    }
    return found;
}

void Type(QWidget* dlg, const char* name, const QString& text) {
    auto* edit = dlg->findChild<QLineEdit*>(QLatin1String(name));
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

class TestSyncDlg : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_nFile = 0;
    QString NewPath() { return m_dir.filePath(QStringLiteral("c%1.vby").arg(++m_nFile)); }

private slots:
    // What OK keeps: URL, user and the flag in the sidecar, the password in the secret store
    // and nowhere else; what it refuses keeps the dialog open and stores nothing.
    void setup_data() {
        QTest::addColumn<bool>("storeRuns");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("syncOnOpenSave");
        // The answer to the question about plain http: -1 none is expected.
        QTest::addColumn<int>("httpAnswer");
        // What the sidecar holds afterwards; empty: nothing stored.
        QTest::addColumn<QString>("storedUrl");
        // A message the dialog shows before staying open (empty: none).
        QTest::addColumn<QString>("message");

        const QString ab = QStringLiteral("https://dav.example.org/addressbooks/ann/contacts/");
        QTest::newRow("https, flag on") << true << ab << "ann" << true << -1 << ab << "";
        QTest::newRow("https, flag off") << true << ab << "ann" << false << -1 << ab << "";
        QTest::newRow("no scheme means https")
            << true << "dav.example.org/ab"
            << "ann" << false << -1 << "https://dav.example.org/ab"
            << "";
        QTest::newRow("no secret store: the password is not taken")
            << false << ab << "ann" << false << -1 << ab << "";
        QTest::newRow("plain http elsewhere, confirmed")
            << true << "http://dav.example.org/ab/"
            << "ann" << false << int(IPrompt::AnswerYes) << "http://dav.example.org/ab/"
            << "";
        QTest::newRow("plain http elsewhere, refused")
            << true << "http://dav.example.org/ab/"
            << "ann" << false << int(IPrompt::AnswerNo) << ""
            << "";
        QTest::newRow("plain http to this machine asks nothing")
            << true << "http://127.0.0.1:5232/ann/ab/"
            << "ann" << false << -1 << "http://127.0.0.1:5232/ann/ab/"
            << "";
        QTest::newRow("plain http to localhost asks nothing")
            << true << "http://localhost:5232/"
            << "ann" << false << -1 << "http://localhost:5232/"
            << "";
        QTest::newRow("not a web address") << true << "ftp://dav.example.org/"
                                           << "ann" << false << -1 << ""
                                           << "Enter the URL";
        QTest::newRow("no URL") << true << ""
                                << "ann" << false << -1 << ""
                                << "Enter the URL";
        QTest::newRow("no user") << true << ab << "  " << false << -1 << ""
                                 << "user name";
    }
    void setup() {
        QFETCH(bool, storeRuns);
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(bool, syncOnOpenSave);
        QFETCH(int, httpAnswer);
        QFETCH(QString, storedUrl);
        QFETCH(QString, message);
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        CScriptedPrompt prompt;
        if (httpAnswer >= 0)
            prompt.QueueAnswer(IPrompt::Answer(httpAnswer));
        CScriptedSecretStore store;
        store.m_bAvailable = storeRuns;
        const QString password = QStringLiteral("Pa55-w0rd-%1").arg(m_nFile);
        bool bStayedOpen = false;
        OnNextModal([&](QWidget* dlg) {
            QCOMPARE(dlg->objectName(), QString("syncDlg"));
            auto* pw = dlg->findChild<QLineEdit*>("passwordEdit");
            QCOMPARE(pw->isEnabled(), storeRuns);
            QCOMPARE(pw->echoMode(), QLineEdit::Password);
            auto* check = dlg->findChild<QCheckBox*>("syncOnOpenSaveCheck");
            QVERIFY(!check->isChecked()); // off by default
            Type(dlg, "urlEdit", url);
            Type(dlg, "userEdit", user);
            if (storeRuns)
                Type(dlg, "passwordEdit", password);
            check->setChecked(syncOnOpenSave);
            QTest::mouseClick(dlg->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            if (dlg->isVisible()) {
                bStayedOpen = true;
                QTest::mouseClick(dlg->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
            }
        });
        window.Command(CommandId::FileSyncSetup);

        CSyncAccount account;
        const bool bStored = CSyncSession::LoadAccount(path, account);
        QCOMPARE(bStored, !storedUrl.isEmpty());
        QCOMPARE(bStayedOpen, storedUrl.isEmpty());
        if (httpAnswer >= 0) {
            QCOMPARE(prompt.m_texts.size(), 1);
            QVERIFY2(prompt.m_texts[0].contains("plain http"), qPrintable(prompt.m_texts[0]));
        } else if (!message.isEmpty()) {
            QCOMPARE(prompt.m_texts.size(), 1);
            QVERIFY2(prompt.m_texts[0].contains(message), qPrintable(prompt.m_texts[0]));
        } else {
            QCOMPARE(prompt.m_texts, QStringList());
        }
        if (bStored) {
            QCOMPARE(account.url.toString(), storedUrl);
            QCOMPARE(account.strUser, user.trimmed());
            QCOMPARE(account.bSyncOnOpenSave, syncOnOpenSave);
            QVERIFY(account.strPassword.isEmpty());
            const QString key = ISecretStore::SyncKey(storedUrl, user.trimmed());
            if (storeRuns)
                QCOMPARE(store.m_passwords.value(key), password);
            else
                QCOMPARE(store.m_writes, QStringList());
        } else {
            QVERIFY(store.m_passwords.isEmpty());
        }
        // Neither the sidecar nor the profile (nor any other file) holds the password.
        window.app.WriteExitSettings();
        QCOMPARE(FilesHolding(m_dir.path(), password), QStringList());
        QCOMPARE(FilesHolding(QDir::homePath(), password), QStringList());
        for (const QVariant& value : std::as_const(window.profile.m_values))
            QVERIFY(!value.toString().contains(password));
        // Setting up a sync changes nothing in the document.
        QVERIFY(!window.doc.IsModified());
    }

    // Opening the dialog again shows what is stored; an empty password field keeps the
    // password kept before.
    void reopenKeepsPassword() {
        const QString path = NewPath();
        SWindow window({Person("Ann Lee")}, path);
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        CSyncAccount account;
        account.url = QUrl("https://dav.example.org/ab/");
        account.strUser = "ann";
        account.bSyncOnOpenSave = true;
        QVERIFY(CSyncSession::SaveAccount(path, account));
        const QString key = ISecretStore::SyncKey(account.url.toString(), "ann");
        store.m_passwords.insert(key, "kept-before");
        OnNextModal([](QWidget* dlg) {
            QCOMPARE(dlg->findChild<QLineEdit*>("urlEdit")->text(),
                     QString("https://dav.example.org/ab/"));
            QCOMPARE(dlg->findChild<QLineEdit*>("userEdit")->text(), QString("ann"));
            QVERIFY(dlg->findChild<QCheckBox*>("syncOnOpenSaveCheck")->isChecked());
            auto* pw = dlg->findChild<QLineEdit*>("passwordEdit");
            QVERIFY(pw->text().isEmpty());
            QVERIFY(!pw->placeholderText().isEmpty());
            QTest::mouseClick(dlg->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        window.Command(CommandId::FileSyncSetup);
        QCOMPARE(store.m_passwords.value(key), QString("kept-before"));
        QCOMPARE(store.m_writes, QStringList());
    }

    // The keyboard reaches every control: Tab walks URL, user, password, the check box and
    // the buttons in that order, and each label's mnemonic goes to its control.
    void keyboard() {
        SWindow window({Person("Ann Lee")}, NewPath());
        CScriptedPrompt prompt;
        CScriptedSecretStore store;
        QStringList order;
        OnNextModal([&](QWidget* dlg) {
            for (int i = 0; i < 5; ++i) {
                order.append(QApplication::focusWidget()->objectName());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("userEdit"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("passwordEdit"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("urlEdit"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
            QTRY_VERIFY(dlg->findChild<QCheckBox*>("syncOnOpenSaveCheck")->isChecked());
            // Every control has a name for tests and one for screen readers.
            for (QWidget* child : dlg->findChildren<QWidget*>()) {
                if (child->focusPolicy() == Qt::NoFocus || !child->isVisible())
                    continue;
                QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
                QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        window.Command(CommandId::FileSyncSetup);
        QCOMPARE(order.mid(0, 4),
                 QStringList({"urlEdit", "userEdit", "passwordEdit", "syncOnOpenSaveCheck"}));
        // The buttons come in the desktop's order.
        QVERIFY2(order[4] == "okButton" || order[4] == "cancelButton", qPrintable(order[4]));
    }

    // A file never saved has no place for a sidecar: the user is asked to save it first, and
    // saying no leaves everything as it was.
    void untitledAsksToSave_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("declined") << false;
        QTest::newRow("saved first") << true;
    }
    void untitledAsksToSave() {
        QFETCH(bool, save);
        SWindow window({Person("Ann Lee")}, QString());
        CScriptedPrompt prompt;
        prompt.QueueAnswer(save ? IPrompt::AnswerYes : IPrompt::AnswerNo);
        CScriptedFileDialogs files;
        const QString path = NewPath();
        files.QueueAnswer(path);
        CScriptedSecretStore store;
        bool bDialog = false;
        if (save) {
            OnNextModal([&](QWidget* dlg) {
                bDialog = dlg->objectName() == QLatin1String("syncDlg");
                Type(dlg, "urlEdit", "https://dav.example.org/");
                Type(dlg, "userEdit", "ann");
                QTest::mouseClick(dlg->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            });
        }
        window.Command(CommandId::FileSyncSetup);
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY2(prompt.m_texts[0].contains("saved first"), qPrintable(prompt.m_texts[0]));
        QCOMPARE(bDialog, save);
        QCOMPARE(QFile::exists(path), save);
        CSyncAccount account;
        QCOMPARE(CSyncSession::LoadAccount(path, account), save);
    }
};

QTEST_MAIN(TestSyncDlg)
#include "TestSyncDlg.moc"
