// Saves of the contact manager that cannot lie: File > Save, File > Save As and the formatted
// report, each failing at every step of the write, and the document saved onto a real, full
// disk. Each time the old file stays byte for byte, no temporary file is left, and the user is
// told why (a document that was not saved stays modified).
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPrintInfoDlg.h"
#include "CRecordingDesktopServices.h"
#include "CSaveFaults.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"
#include "CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <memory>

using namespace SaveFaults;
using Fault = CFaultyFileSystem::Fault;

namespace {

const QByteArray kOldReport = "an older report\n";

// The contact manager as the program builds it: the main window with its form, on a file.
struct CVelloby {
    CVelloby() : m_doc(m_app), m_frame(m_doc) {
        m_frame.SetFormView(new CVornView(m_doc, &m_frame));
        m_frame.ActivateFrame();
        m_frame.show();
    }
    CVornView* View() const { return dynamic_cast<CVornView*>(m_frame.FormView()); }
    // Types a new entry into the form and stores it with NEW and UPDATE, as a user does.
    void TypeEntry(const QString& name) {
        QTest::mouseClick(View()->findChild<QAbstractButton*>("btnNew"), Qt::LeftButton);
        auto* pName = View()->findChild<QLineEdit*>("editName");
        pName->setFocus();
        pName->selectAll();
        QTest::keyClicks(pName, name);
        QTest::mouseClick(View()->findChild<QAbstractButton*>("btnUpdate"), Qt::LeftButton);
    }

    CMemoryProfile m_profile;
    CScriptedPrompt m_prompt;
    CScriptedFileDialogs m_dialogs;
    CVornApp m_app;
    CVornDoc m_doc;
    CMainFrame m_frame;
};

// A contact file with `count` entries.
bool WriteContacts(const QString& path, int count) {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.OnNewDocument();
    for (int i = 0; i < count; ++i) {
        auto person = std::make_unique<CPerson>();
        person->m_strName = "Person " + QByteArray::number(i);
        person->m_strAddress = "Street " + QByteArray::number(i) + "\r\nTown";
        doc.m_personList.push_back(std::move(person));
    }
    return doc.OnSaveDocument(path);
}

// Clicks OK in the report's options as soon as they show.
void AcceptReportOptions() {
    auto* pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer] {
        if (auto* pDialog = qobject_cast<CPrintInfoDlg*>(QApplication::activeModalWidget())) {
            pTimer->stop();
            pTimer->deleteLater();
            QTest::mouseClick(pDialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        }
    });
    pTimer->start();
}

} // namespace

class TestVellobySaves : public QObject {
    Q_OBJECT
private slots:
    void fileSave_data() {
        AddColumns();
        AddRows();
    }
    void fileSave() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("contacts.vby");
        QVERIFY(WriteContacts(path, 2));
        const QByteArray old = ReadBytes(path);
        CVelloby velloby;
        QVERIFY(velloby.m_frame.OpenDocumentFile(path));
        velloby.TypeEntry("Zoe Null");
        QVERIFY(velloby.m_doc.IsModified());
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            velloby.m_frame.Action(CommandId::FileSave)->trigger();
        }
        QCOMPARE(velloby.m_prompt.m_texts,
                 QStringList{QStringLiteral("Cannot save \"%1\": %2. The file on disk was left as "
                                            "it was.")
                                 .arg(QFileInfo(path).absoluteFilePath(), reason)});
        QVERIFY(velloby.m_doc.IsModified());
        QVERIFY(velloby.m_frame.windowHandle()->title().startsWith("contacts.vby*"));
        QCOMPARE(ReadBytes(path), old);
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});

        // Once the disk works again, the same command saves the entry.
        velloby.m_frame.Action(CommandId::FileSave)->trigger();
        QVERIFY(!velloby.m_doc.IsModified());
        CNotesLabel label;
        CVornDoc check(label);
        QVERIFY(check.OnOpenDocument(path));
        QCOMPARE(check.m_personList.size(), size_t(3));
        QCOMPARE(Entries(dir.path()), QStringList{"contacts.vby"});
    }

    void fileSaveAs_data() {
        AddColumns();
        AddRows();
    }
    void fileSaveAs() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("new.vby");
        CVelloby velloby;
        velloby.m_frame.NewDocument();
        velloby.TypeEntry("Ann Lee");
        velloby.m_dialogs.QueueAnswer(path);
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            velloby.m_frame.Action(CommandId::FileSaveAs)->trigger();
        }
        // Nothing was there before, so nothing is said about an old file.
        QCOMPARE(velloby.m_prompt.m_texts,
                 QStringList{QStringLiteral("Cannot save \"%1\": %2.").arg(path, reason)});
        QVERIFY(velloby.m_doc.IsModified());
        QVERIFY(velloby.m_doc.GetPathName().isEmpty());
        QCOMPARE(Entries(dir.path()), QStringList{});
    }

    void report_data() {
        AddColumns();
        AddRows();
    }
    void report() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("export.txt");
        QVERIFY(WriteBytes(path, kOldReport));
        CVelloby velloby;
        velloby.m_frame.NewDocument();
        velloby.TypeEntry("Ann Lee");
        CRecordingDesktopServices desktop;
        velloby.m_dialogs.QueueAnswer(path);
        AcceptReportOptions();
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            velloby.m_frame.Action(CommandId::FileFormattedReport)->trigger();
        }
        const QString start = fault == Fault::FailOpen
                                  ? "Cannot create the report file \"%1\": %2."
                                  : "Writing the report file \"%1\" failed: %2.";
        QCOMPARE(velloby.m_prompt.m_texts,
                 QStringList{start.arg(path, reason) + " The file on disk was left as it was."});
        QCOMPARE(ReadBytes(path), kOldReport);
        QCOMPARE(Entries(dir.path()), QStringList{"export.txt"});
        // A report that was not written is not shown.
        QVERIFY(desktop.m_starts.isEmpty());
    }

    // A real disk, filled up: the old file stays whole and the failure is reported.
    void fullDisk() {
        CTmpfs disk(64);
        QString whyNot;
        if (!disk.Mount(&whyNot))
            QSKIP(qPrintable(whyNot));
        const QString path = disk.FilePath("contacts.vby");
        QVERIFY(WriteContacts(path, 2));
        const QByteArray old = ReadBytes(path);
        // Room for the start of the new file, not for all of it.
        QVERIFY(disk.Fill(4096));
        CVelloby velloby;
        QVERIFY(velloby.m_frame.OpenDocumentFile(path));
        for (int i = 0; i < 400; ++i) {
            auto person = std::make_unique<CPerson>();
            person->m_strName = "Entry number " + QByteArray::number(i);
            velloby.m_doc.m_personList.push_back(std::move(person));
        }
        velloby.TypeEntry("Zoe Null");
        QVERIFY(velloby.m_doc.SaveToBytes().size() > 8192);
        velloby.m_frame.Action(CommandId::FileSave)->trigger();
        QCOMPARE(velloby.m_prompt.m_texts.size(), 1);
        QVERIFY2(velloby.m_prompt.m_texts[0].contains("the disk is full"),
                 qPrintable(velloby.m_prompt.m_texts[0]));
        QVERIFY(velloby.m_doc.IsModified());
        QCOMPARE(ReadBytes(path), old);
        QCOMPARE(Entries(disk.Path()), (QStringList{"contacts.vby", "filler"}));
    }
};

QTEST_MAIN(TestVellobySaves)
#include "TestVellobySaves.moc"
