// Crash recovery, tested by really killing the program: the test starts a copy of itself as
// the contact manager (the real main window, document and form), edits through the widgets,
// waits for the recovery file, kills it with SIGKILL and starts it again.
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CRecoveryFile.h"
#include "CRecoveryManager.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"
#include "TestUtil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

const QString kQuestionStart =
    QStringLiteral("Velloby did not close properly. Recover the unsaved changes to ");

CVornView* ViewOf(CMainFrame* pFrame) {
    return pFrame ? pFrame->findChild<CVornView*>() : nullptr;
}

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// The names of a document's entries, in file order.
QStringList Names(const CVornDoc& doc) {
    QStringList names;
    for (const auto& person : doc.m_personList)
        names.append(QString::fromUtf8(person->m_strName));
    return names;
}

// True when the recovery file at `path` holds every change the editing child makes (in a new
// document, `bNew`, only the added entry).
bool HoldsTheChanges(const QString& path, bool bNew) {
    CRecoveryFile recovery;
    if (!recovery.Decode(ReadBytes(path)))
        return false;
    CNotesLabel label;
    CVornDoc doc(label);
    if (!doc.LoadFromBytes(recovery.m_bytes))
        return false;
    const QStringList names = Names(doc);
    if (bNew)
        return names == QStringList{QStringLiteral("Zed Newman")} && recovery.m_strPath.isEmpty();
    bool bNotes = false;
    for (const auto& person : doc.m_personList)
        bNotes |= person->m_strName == "Bob Ray" && person->m_strNotes == "call back";
    return bNotes && names.contains("Zed Newman") && !names.contains("Cy Young");
}

// Runs the contact manager as velloby does, with `drive` run once its window is up.
int RunManager(int argc, char** argv, const QStringList& arguments,
               const std::function<void(CVornApp&)>& drive) {
    QApplication qapp(argc, argv);
    CVornApp app;
    QTimer::singleShot(0, &qapp, [&app, drive] { drive(app); });
    return app.Run(qapp, arguments,
                   [](CVornDoc& doc, QWidget* parent) { return new CVornView(doc, parent); });
}

// The editing child: adds an entry, changes another and deletes a third through the form, then
// says so once the recovery file holds all of it, and waits to be killed.
int ChildEdit(int argc, char** argv) {
    CScriptedPrompt prompt;
    const QString path = QString::fromLocal8Bit(argv[2]);
    QStringList arguments = {QStringLiteral("velloby")};
    if (!path.isEmpty())
        arguments.append(path);
    return RunManager(argc, argv, arguments, [&prompt, path](CVornApp& app) {
        CVornView* pView = ViewOf(app.MainFrame());
        auto* pManager = app.MainFrame()->findChild<CRecoveryManager*>();
        if (!pView || !pManager) {
            Say(QStringLiteral("NO-FORM"));
            QCoreApplication::exit(2);
            return;
        }
        QObject::connect(pManager, &CRecoveryManager::recoveryWritten, pManager,
                         [path](const QString& written, bool bOk) {
                             if (bOk && HoldsTheChanges(written, path.isEmpty()))
                                 Say(QStringLiteral("WRITTEN ") + written);
                         });
        auto child = [pView](const char* name) {
            return pView->findChild<QWidget*>(QLatin1String(name));
        };
        auto clickLine = [pView](const QString& name) {
            auto* pList = pView->findChild<QListView*>(QStringLiteral("listPeople"));
            const CPeopleListModel& model = pView->PeopleModel();
            for (int row = 0; row < model.Count(); ++row) {
                if (model.TextAt(row) == name) {
                    const QRect rect = pList->visualRect(model.index(row));
                    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
                }
            }
        };
        auto click = [&child](const char* name) {
            QTest::mouseClick(qobject_cast<QAbstractButton*>(child(name)), Qt::LeftButton);
        };
        // A new entry.
        click("btnNew");
        child("editName")->setFocus();
        QTest::keyClicks(child("editName"), QStringLiteral("Zed Newman"));
        click("btnUpdate");
        if (path.isEmpty()) {
            Say(QStringLiteral("EDITED"));
            return;
        }
        // A changed entry.
        clickLine(QStringLiteral("Bob Ray"));
        child("editNotes")->setFocus();
        QTest::keyClicks(child("editNotes"), QStringLiteral("call back"));
        click("btnUpdate");
        // A deleted entry, confirmed.
        clickLine(QStringLiteral("Cy Young"));
        prompt.QueueAnswer(IPrompt::AnswerYes);
        click("btnDelete");
        Say(QStringLiteral("EDITED"));
    });
}

// The child started after the kill: answers the recovery question with argv[3] and tells what
// it shows.
int ChildRestart(int argc, char** argv) {
    CScriptedPrompt prompt;
    CScriptedFileDialogs dialogs;
    const QString path = QString::fromLocal8Bit(argv[2]);
    const QByteArray answer = argv[3];
    prompt.QueueAnswer(answer == "yes"  ? IPrompt::AnswerYes
                       : answer == "no" ? IPrompt::AnswerNo
                                        : IPrompt::AnswerCancel);
    if (argc > 4)
        dialogs.QueueAnswer(QString::fromLocal8Bit(argv[4]));
    QStringList arguments = {QStringLiteral("velloby")};
    if (!path.isEmpty())
        arguments.append(path);
    return RunManager(argc, argv, arguments, [&prompt](CVornApp& app) {
        CMainFrame* pFrame = app.MainFrame();
        CVornView* pView = ViewOf(pFrame);
        for (const QString& text : prompt.m_texts)
            Say(QStringLiteral("PROMPT ") + QString(text).replace('\n', ' '));
        Say(QStringLiteral("NAMES ") + Names(pFrame->Doc()).join('|'));
        QStringList lines;
        for (int row = 0; row < pView->PeopleModel().Count(); ++row)
            lines.append(pView->PeopleModel().TextAt(row));
        Say(QStringLiteral("LINES ") + lines.join('|'));
        for (const auto& person : pFrame->Doc().m_personList) {
            if (person->m_strName == "Bob Ray")
                Say(QStringLiteral("BOB ") + QString::fromUtf8(person->m_strNotes));
        }
        Say(QStringLiteral("MODIFIED %1").arg(pFrame->Doc().IsModified()));
        Say(QStringLiteral("PATH ") + pFrame->Doc().GetPathName());
        Say(QStringLiteral("TITLE ") + pFrame->windowTitle());
        // Leaves as a crash would, without the questions of closing, so a kept recovery file
        // stays for the test to see.
        QCoreApplication::exit(0);
    });
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void killedProgramIsRecovered_data();
    void killedProgramIsRecovered();
    void untitledRecoveryIsSavedUnderANewName();
    void damagedRecoveryFileIsReportedAndLeft_data();
    void damagedRecoveryFileIsReportedAndLeft();
    void outdatedRecoveryFileIsDropped();
    void savingAndClosingRemoveTheRecoveryFile();
    void liveRecoveryFileIsNotOffered();

private:
    QString Path(const QString& name) const { return m_dir->filePath(name); }
    QString StateFolder() const { return Path(QStringLiteral("state")); }
    QString RecoveryFolder() const { return StateFolder() + QStringLiteral("/Velloby/recovery"); }
    QStringList RecoveryFiles() const {
        return QDir(RecoveryFolder()).entryList({QStringLiteral("*.recovery")}, QDir::Files);
    }
    // Starts this program as the contact manager with `arguments` and a home of the test's.
    void Start(QProcess& process, const QStringList& arguments);
    // Runs a restart child to its end; returns its lines.
    QStringList Restart(const QString& path, const QString& answer,
                        const QString& saveAs = QString());
    // Runs the editing child on `path` until the recovery file holds its changes, then kills it.
    void EditAndKill(const QString& path);
    // A frame with the real form in this process, for the start-up question.
    struct CInProcess {
        CMemoryProfile profile;
        CScriptedPrompt prompt;
        CVornApp app;
        CVornDoc doc{app};
        CMainFrame frame{doc};
        CRecoveryManager* pManager = nullptr;
        CInProcess() {
            frame.SetFormView(new CVornView(doc, &frame));
            pManager = new CRecoveryManager(doc, &frame);
        }
    };

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRecovery::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir().mkpath(Path(QStringLiteral("home")));
    QDir().mkpath(StateFolder());
    qputenv("XDG_STATE_HOME", QFile::encodeName(StateFolder()));
}

void TestRecovery::cleanup() {
    m_dir.reset();
}

void TestRecovery::Start(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), Path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("home/.config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), StateFolder());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QString::fromLatin1(CRecoveryManager::kIntervalVariable), QStringLiteral("300"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(process.waitForStarted(10000));
}

void TestRecovery::EditAndKill(const QString& path) {
    QProcess child;
    Start(child, {QStringLiteral("--child-edit"), path});
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains("WRITTEN ") && clock.elapsed() < 30000 &&
           child.state() == QProcess::Running) {
        child.waitForReadyRead(200);
        out += child.readAllStandardOutput();
    }
    QVERIFY2(out.contains("EDITED"), out.constData());
    QVERIFY2(out.contains("WRITTEN "), out.constData());
    // SIGKILL: nothing of the program runs after this.
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

QStringList TestRecovery::Restart(const QString& path, const QString& answer,
                                  const QString& saveAs) {
    QProcess child;
    QStringList arguments = {QStringLiteral("--child-restart"), path, answer};
    if (!saveAs.isEmpty())
        arguments.append(saveAs);
    Start(child, arguments);
    if (!child.waitForFinished(30000))
        child.kill();
    return QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

void TestRecovery::killedProgramIsRecovered_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("Yes recovers") << QStringLiteral("yes");
    QTest::newRow("No deletes") << QStringLiteral("no");
    QTest::newRow("Cancel keeps") << QStringLiteral("cancel");
}

void TestRecovery::killedProgramIsRecovered() {
    QFETCH(QString, answer);
    const QString path = Path(QStringLiteral("book.vby"));
    QVERIFY(WriteContactFile(path, {"Ann Lee", "Bob Ray", "Cy Young"}));
    const QByteArray original = ReadBytes(path);
    // The file's time is older than the recovery copy: the copy is what is newer.
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(-60),
                            QFileDevice::FileModificationTime);

    EditAndKill(path);
    QCOMPARE(ReadBytes(path), original);
    QCOMPARE(RecoveryFiles().size(), 1);

    const QStringList lines = Restart(path, answer);
    const QStringList prompts = lines.filter(QRegularExpression("^PROMPT "));
    QCOMPARE(prompts.size(), 1);
    const QString question = prompts.first().mid(7);
    QVERIFY2(question.startsWith(kQuestionStart + QDir::toNativeSeparators(path) + " from "),
             qPrintable(question));
    QVERIFY(question.endsWith('?'));
    // The contact file itself is never written by a recovery.
    QCOMPARE(ReadBytes(path), original);

    if (answer == "yes") {
        QVERIFY2(lines.contains("NAMES Ann Lee|Bob Ray|Zed Newman"), qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("LINES Ann Lee|Bob Ray|Zed Newman"));
        QVERIFY(lines.contains("BOB call back"));
        QVERIFY(lines.contains("MODIFIED 1"));
        QVERIFY(lines.contains("PATH " + path));
        QVERIFY(lines.contains("TITLE book.vby[*] - Velloby"));
        // Kept until the recovered entries are saved or dropped.
        QCOMPARE(RecoveryFiles().size(), 1);
    } else {
        QVERIFY(lines.contains("NAMES Ann Lee|Bob Ray|Cy Young"));
        QVERIFY(lines.contains("MODIFIED 0"));
        QCOMPARE(RecoveryFiles().size(), answer == "no" ? 0 : 1);
        if (answer == "cancel") {
            // Asked again at the next start.
            const QStringList again = Restart(path, QStringLiteral("no"));
            QCOMPARE(again.filter(QRegularExpression("^PROMPT ")).size(), 1);
            QCOMPARE(RecoveryFiles().size(), 0);
        }
    }
}

void TestRecovery::untitledRecoveryIsSavedUnderANewName() {
    // A new document, never saved: the recovery file has a name of its own.
    EditAndKill(QString());
    const QStringList files = RecoveryFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY2(files.first().startsWith(QStringLiteral("untitled-")), qPrintable(files.first()));

    const QString saved = Path(QStringLiteral("rescued.vby"));
    const QStringList lines = Restart(QString(), QStringLiteral("yes"), saved);
    const QStringList prompts = lines.filter(QRegularExpression("^PROMPT "));
    QCOMPARE(prompts.size(), 1);
    QVERIFY2(prompts.first().mid(7).startsWith(kQuestionStart + "Untitled from "),
             qPrintable(prompts.first()));
    // Offered a name and saved there; saving removed the recovery file.
    QVERIFY2(lines.contains("PATH " + saved), qPrintable(lines.join('\n')));
    QVERIFY(lines.contains("MODIFIED 0"));
    CNotesLabel label;
    CVornDoc doc(label);
    QVERIFY(doc.OnOpenDocument(saved));
    QCOMPARE(Names(doc), QStringList{QStringLiteral("Zed Newman")});
    QVERIFY(RecoveryFiles().isEmpty());
}

void TestRecovery::damagedRecoveryFileIsReportedAndLeft_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    CRecoveryFile recovery;
    recovery.m_strPath = QStringLiteral("/nowhere/book.vby");
    recovery.m_nTimeMs = QDateTime::currentMSecsSinceEpoch();
    recovery.m_bytes = QByteArray("\x0f\0\0\0\0\0\x05\0", 8);
    QTest::newRow("not a recovery file") << QByteArray("garbage") << "not a recovery file";
    QTest::newRow("cut short") << recovery.Encode().left(30) << "ends early";
    QTest::newRow("contact bytes damaged")
        << recovery.Encode() << "damaged or is not a contact file";
}

void TestRecovery::damagedRecoveryFileIsReportedAndLeft() {
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    QDir().mkpath(RecoveryFolder());
    const QString damaged = RecoveryFolder() + QStringLiteral("/broken.recovery");
    QVERIFY(WriteBytes(damaged, data));

    CInProcess run;
    QVERIFY(!run.pManager->OfferRecovery(run.frame));
    QCOMPARE(run.prompt.m_texts.size(), 1);
    const QString text = run.prompt.m_texts.first();
    QVERIFY2(text.contains(QDir::toNativeSeparators(damaged)), qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("The file is left where it is.")));
    QCOMPARE(run.prompt.m_buttons.first(), IPrompt::Ok);
    QCOMPARE(ReadBytes(damaged), data);
    QVERIFY(!run.doc.IsModified());
}

void TestRecovery::outdatedRecoveryFileIsDropped() {
    const QString path = Path(QStringLiteral("saved.vby"));
    QVERIFY(WriteContactFile(path, {"Ann Lee"}));
    CRecoveryFile recovery;
    recovery.m_strPath = path;
    recovery.m_nTimeMs = QDateTime::currentMSecsSinceEpoch() - 60000;
    CNotesLabel label;
    CVornDoc older(label);
    older.OnNewDocument();
    recovery.m_bytes = older.SaveToBytes();
    QDir().mkpath(RecoveryFolder());
    QVERIFY(WriteBytes(CRecoveryFile::PathFor(path), recovery.Encode()));

    CInProcess run;
    QVERIFY(!run.pManager->OfferRecovery(run.frame));
    QVERIFY(run.prompt.m_texts.isEmpty());
    QVERIFY(RecoveryFiles().isEmpty());
}

void TestRecovery::savingAndClosingRemoveTheRecoveryFile() {
    const QString path = Path(QStringLiteral("book.vby"));
    QVERIFY(WriteContactFile(path, {"Ann Lee"}));
    CInProcess run;
    QVERIFY(run.frame.OpenDocumentFile(path));
    QSignalSpy written(run.pManager, &CRecoveryManager::recoveryWritten);

    // Not modified: nothing to keep.
    run.pManager->WriteNow();
    QVERIFY(!written.wait(300));
    QVERIFY(RecoveryFiles().isEmpty());

    AddEntry(run.doc, "Bob Ray");
    run.pManager->WriteNow();
    QVERIFY(written.wait(5000));
    QCOMPARE(written.first().at(0).toString(), CRecoveryFile::PathFor(path));
    QVERIFY(written.first().at(1).toBool());
    QCOMPARE(RecoveryFiles().size(), 1);
    // Its lock says a running program owns it.
    QVERIFY(QFileInfo::exists(CRecoveryFile::PathFor(path) + ".lock"));

    QVERIFY(run.frame.SaveDocument());
    QTRY_VERIFY(RecoveryFiles().isEmpty());
    QTRY_VERIFY(!QFileInfo::exists(CRecoveryFile::PathFor(path) + ".lock"));

    // Closing without saving removes it as well.
    AddEntry(run.doc, "Cy Young");
    run.pManager->WriteNow();
    QVERIFY(written.wait(5000));
    QCOMPARE(RecoveryFiles().size(), 1);
    run.pManager->Discard();
    QTRY_VERIFY(RecoveryFiles().isEmpty());
}

void TestRecovery::liveRecoveryFileIsNotOffered() {
    const QString path = Path(QStringLiteral("book.vby"));
    QVERIFY(WriteContactFile(path, {"Ann Lee"}));
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(-60),
                            QFileDevice::FileModificationTime);
    CInProcess first;
    QVERIFY(first.frame.OpenDocumentFile(path));
    QSignalSpy written(first.pManager, &CRecoveryManager::recoveryWritten);
    AddEntry(first.doc, "Bob Ray");
    first.pManager->WriteNow();
    QVERIFY(written.wait(5000));

    // A second program finds the copy the first is keeping, and leaves it alone.
    QProcess second;
    Start(second, {QStringLiteral("--child-restart"), path, QStringLiteral("yes")});
    QVERIFY(second.waitForFinished(30000));
    const QStringList lines =
        QString::fromLocal8Bit(second.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.filter(QRegularExpression("^PROMPT ")).isEmpty(), qPrintable(lines.join('\n')));
    QVERIFY(lines.contains("NAMES Ann Lee"));
    QCOMPARE(RecoveryFiles().size(), 1);
}

int main(int argc, char** argv) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--child-edit" && argc > 2)
        return ChildEdit(argc, argv);
    if (mode == "--child-restart" && argc > 3)
        return ChildRestart(argc, argv);
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestRecovery.moc"
