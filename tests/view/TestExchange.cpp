#include "CAddFromFile.h"
#include "CContactReader.h"
#include "CExportDlg.h"
#include "CMainFrame.h"
#include "CMemoryProfile.h"
#include "CPeopleListModel.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornApp.h"
#include "CVornDoc.h"
#include "CVornView.h"
#include "CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// The main window with its form over a document of given entries, as after opening a file.
struct SWindow {
    CMemoryProfile profile;
    CVornApp app;
    CVornDoc doc{app};
    CMainFrame frame{doc};
    CVornView* view = nullptr;

    explicit SWindow(const std::vector<CPerson>& people, const QList<QByteArray>& groups = {}) {
        app.ReadSettings();
        view = new CVornView(doc, &frame);
        frame.SetFormView(view);
        frame.NewDocument();
        for (const CPerson& person : people)
            doc.m_personList.push_back(std::make_unique<CPerson>(person));
        doc.m_groupList = groups;
        view->OnInitialUpdate();
        frame.show();
    }
    void Command(int id) { frame.Action(id)->trigger(); }
    QString Status() const { return frame.statusBar()->currentMessage(); }
    QStringList GroupLines() const {
        QStringList lines;
        auto* list = view->findChild<QListWidget*>("listGroups");
        for (int row = 0; row < list->count(); ++row)
            lines.append(list->item(row)->text());
        return lines;
    }
};

// Runs `action` on the next modal dialog once it shows.
void OnNextModal(std::function<void(QWidget*)> action) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action, poll] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            // Mnemonics reach the active window only.
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

CPerson Person(const QByteArray& name, const QByteArray& city = {},
               const QList<QByteArray>& groups = {}) {
    CPerson person;
    person.m_strName = name;
    person.m_strCity = city;
    person.m_groups = groups;
    return person;
}

// Texts other programs stumble over: quotes, commas, semicolons, backslashes, colons, line
// breaks, leading blanks and letters beyond ASCII.
std::vector<CPerson> HostileEntries() {
    CPerson ann = Person("O'Brien, \"Ann\"", "Köln", {"Friends", "Work; Team"});
    // Multi-line texts as the form stores them, with CR LF.
    ann.m_strAddress = "12 Elm St\r\nApt 4";
    ann.m_strPhone = "+49 30 1234567 (home)\r\n555-1234";
    ann.m_strEmail = "ann@example.org";
    ann.m_strNotes = "back\\slash: colon; semi\r\n  indented line";
    ann.m_strZip = "50667";
    ann.m_strCountry = "Germany";
    ann.m_strState = "NRW";
    CPerson bob = Person("Bob Ray", "Salem", {"Work; Team"});
    CPerson zoe = Person("Zoë Lee", "Troy");
    return {ann, bob, zoe};
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray VCardOf(const QList<QByteArray>& names, const QByteArray& extra = {}) {
    QByteArray text;
    for (const QByteArray& name : names)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name + "\r\n" + extra + "END:VCARD\r\n";
    return text;
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    // Export in each format, of all entries or of those the list shows; the file read back
    // gives the same entries.
    void exportFormats_data() {
        QTest::addColumn<int>("key"); // the mnemonic of the format's button
        QTest::addColumn<bool>("shownOnly");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("vCard 4.0, all")
            << int(Qt::Key_4) << false << "vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\n");
        QTest::newRow("vCard 3.0, all")
            << int(Qt::Key_3) << false << "vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        QTest::newRow("CSV, all") << int(Qt::Key_C) << false << "csv"
                                  << QByteArray("Name,Address,City,State,ZIP,Country,Phone,"
                                                "E-mail,Notes,Groups\r\n");
        QTest::newRow("vCard 4.0, shown")
            << int(Qt::Key_4) << true << "vcf" << QByteArray("BEGIN:VCARD\r\n");
        QTest::newRow("CSV, shown") << int(Qt::Key_C) << true << "csv" << QByteArray("Name,");
    }
    void exportFormats() {
        QFETCH(int, key);
        QFETCH(bool, shownOnly);
        QFETCH(QString, suffix);
        QFETCH(QByteArray, begins);
        const std::vector<CPerson> entries = HostileEntries();
        SWindow window(entries, {"Friends", "Work; Team"});
        std::vector<CPerson> expected = entries;
        if (shownOnly) {
            // The group "Friends" shows Ann alone.
            auto* groups = window.view->findChild<QListWidget*>("listGroups");
            groups->setCurrentItem(groups->findItems("Friends", Qt::MatchExactly).value(0));
            window.view->OnGroupSelChange();
            QCOMPARE(window.view->PeopleModel().Count(), 1);
            expected = {entries[0]};
        }
        const QString path = m_dir.filePath(QStringLiteral("export.") + suffix);
        QFile::remove(path);
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        files.QueueAnswer(path);
        OnNextModal([key, shownOnly](QWidget* dlg) {
            QCOMPARE(dlg->objectName(), QString("exportDlg"));
            // A mnemonic clicks its button after a short flash.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
            QTRY_VERIFY(QApplication::focusWidget()->property("checked").toBool());
            if (shownOnly) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
                QTRY_VERIFY(dlg->findChild<QRadioButton*>("shownRadio")->isChecked());
            }
            QTest::mouseClick(dlg->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        window.Command(CommandId::FileExport);
        QCOMPARE(files.m_requests.size(), 1);
        QVERIFY(files.m_requests[0].bSave);
        QCOMPARE(files.m_requests[0].strSuggested, QStringLiteral("contacts.") + suffix);
        QCOMPARE(files.m_requests[0].strDefaultSuffix, suffix);
        QVERIFY(prompt.m_texts.isEmpty());

        const QByteArray bytes = ReadBytes(path);
        QVERIFY2(bytes.startsWith(begins), bytes.left(80).constData());
        CContactReader::Result result;
        QString error;
        QVERIFY2(CContactReader::Read(bytes, EContactFormat::Auto, result, &error),
                 qPrintable(error));
        QCOMPARE(result.people.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            QVERIFY2(result.people[i] == expected[i], result.people[i].m_strName.constData());
        QCOMPARE(window.Status(), QString("Exported %1 %2 to %3")
                                      .arg(expected.size())
                                      .arg(expected.size() == 1 ? "entry" : "entries", path));
        // Exporting changes nothing in the document.
        QVERIFY(!window.doc.IsModified());
    }

    // Cancel in either dialog writes nothing; a file that cannot be written is reported.
    void exportCancelledOrFailed() {
        SWindow window(HostileEntries());
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        OnNextModal([](QWidget* dlg) { QTest::keyClick(dlg, Qt::Key_Escape); });
        window.Command(CommandId::FileExport);
        QVERIFY(files.m_requests.isEmpty());

        OnNextModal([](QWidget* dlg) { QTest::keyClick(dlg, Qt::Key_Return); });
        window.Command(CommandId::FileExport); // the save dialog cancelled
        QCOMPARE(files.m_requests.size(), 1);
        QVERIFY(prompt.m_texts.isEmpty());

        const QString path = m_dir.filePath("no/such/folder/x.vcf");
        files.QueueAnswer(path);
        OnNextModal([](QWidget* dlg) { QTest::keyClick(dlg, Qt::Key_Return); });
        window.Command(CommandId::FileExport);
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY2(prompt.m_texts[0].startsWith("The entries were not exported.") &&
                     prompt.m_texts[0].contains("x.vcf"),
                 qPrintable(prompt.m_texts[0]));
        QVERIFY(!QFile::exists(path));
    }

    // Add From File with each kind of file: what is new is added, what is there already is
    // skipped, new groups join the group list.
    void addFromFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QList<QByteArray>>("names"); // the document's entries afterwards
        QTest::addColumn<QList<QByteArray>>("groups");
        QTest::addColumn<QString>("told");
        QTest::newRow("vCard") << VCardOf({"Ann Lee", "New One", "New Two", "New One"})
                               << "Added 2 entries; 2 were already there"
                               << QList<QByteArray>{"Ann Lee", "Bob Ray", "New One", "New Two"}
                               << QList<QByteArray>{"Friends"} << "";
        QTest::newRow("vCard with a new group and a photo")
            << VCardOf({"Ann Lee"}, "CATEGORIES:Chess\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\n")
            << "Added 1 entry; 0 were already there"
            << QList<QByteArray>{"Ann Lee", "Bob Ray", "Ann Lee"}
            << QList<QByteArray>{"Friends", "Chess"} << "photo";
        QTest::newRow("CSV with a header row") << QByteArray("Name,City,Groups\r\n"
                                                             "Bob Ray,Salem,Friends\r\n"
                                                             "Ann Lee,,\r\n"
                                                             "\"Cy, Jr\",Troy,\r\n")
                                               << "Added 1 entry; 2 were already there"
                                               << QList<QByteArray>{"Ann Lee", "Bob Ray", "Cy, Jr"}
                                               << QList<QByteArray>{"Friends"} << "";
    }
    void addFromFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, status);
        QFETCH(QList<QByteArray>, names);
        QFETCH(QList<QByteArray>, groups);
        QFETCH(QString, told);
        CPerson bob = Person("Bob Ray", "Salem", {"Friends"});
        SWindow window({Person("Ann Lee"), bob}, {"Friends"});
        const QString path = WriteBytes(m_dir.filePath("add.in"), bytes);
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        files.QueueAnswer(path);
        window.Command(CommandId::FileAddFromFile);
        QCOMPARE(files.m_requests.size(), 1);
        QVERIFY(!files.m_requests[0].bSave);

        QList<QByteArray> docNames;
        for (const auto& person : window.doc.m_personList)
            docNames.append(person->m_strName);
        QCOMPARE(docNames, names);
        QCOMPARE(window.doc.m_groupList, groups);
        QCOMPARE(window.Status(), status);
        QVERIFY(window.doc.IsModified());
        // The lists show the new entries and groups.
        QCOMPARE(window.view->PeopleModel().Count(), names.size());
        for (const QByteArray& group : groups)
            QVERIFY(window.GroupLines().contains(QString::fromUtf8(group)));
        if (told.isEmpty()) {
            QVERIFY2(prompt.m_texts.isEmpty(), qPrintable(prompt.m_texts.join('|')));
        } else {
            QCOMPARE(prompt.m_texts.size(), 1);
            QVERIFY2(prompt.m_texts[0].startsWith(status) && prompt.m_texts[0].contains(told),
                     qPrintable(prompt.m_texts[0]));
        }
    }

    // A contact file is added with its groups; adding the same file again adds nothing.
    void addContactFileTwice() {
        CNotesLabel label;
        CVornDoc other(label);
        other.OnNewDocument();
        for (const CPerson& person : HostileEntries())
            other.m_personList.push_back(std::make_unique<CPerson>(person));
        other.m_groupList = {"Friends", "Work; Team"};
        const QString path = m_dir.filePath("other.vby");
        QVERIFY(other.OnSaveDocument(path));

        SWindow window({Person("Ann Lee")});
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        files.QueueAnswer(path);
        files.QueueAnswer(path);
        window.Command(CommandId::FileAddFromFile);
        QCOMPARE(window.Status(), QString("Added 3 entries; 0 were already there"));
        QCOMPARE(window.doc.m_personList.size(), size_t(4));
        QVERIFY(*window.doc.m_personList[1] == HostileEntries()[0]);
        QCOMPARE(window.doc.m_groupList, (QList<QByteArray>{"Friends", "Work; Team"}));
        window.doc.SetModifiedFlag(false);
        window.Command(CommandId::FileAddFromFile);
        QCOMPARE(window.Status(), QString("Added 0 entries; 3 were already there"));
        QCOMPARE(window.doc.m_personList.size(), size_t(4));
        QVERIFY(!window.doc.IsModified());
        QVERIFY(prompt.m_texts.isEmpty());
    }

    // Files that are not contacts, and a result beyond 65,535 entries: told, nothing changes.
    void addFromFileRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("existing");
        QTest::addColumn<QString>("message");
        QTest::newRow("plain text") << QByteArray("Ann Lee\t555-1234\nBob Ray\t555-2222\n") << 1
                                    << "is not a contact file, a vCard file or a CSV file";
        QTest::newRow("damaged contact file")
            << QByteArray("\x0f\0\0\0\x05\0", 6) << 1 << "cannot be read";
        QTest::newRow("more than a file holds")
            << VCardOf({"New One", "New Two", "Ann Lee"}) << 65534
            << "would hold 65,536 entries, but a contact file can hold at most 65,535";
    }
    void addFromFileRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, existing);
        QFETCH(QString, message);
        std::vector<CPerson> people;
        people.push_back(Person("Ann Lee"));
        for (int i = 1; i < existing; ++i)
            people.push_back(Person("Person " + QByteArray::number(i)));
        SWindow window(people);
        const QString path = WriteBytes(m_dir.filePath("refused.in"), bytes);
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        files.QueueAnswer(path);
        window.Command(CommandId::FileAddFromFile);
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY2(prompt.m_texts[0].contains(message), qPrintable(prompt.m_texts[0]));
        QCOMPARE(window.doc.m_personList.size(), size_t(existing));
        QVERIFY(!window.doc.IsModified());
    }

    // The one operation Add From File is built on: leading blanks go, nameless entries and
    // entries equal to one there (groups in any order) are left out, the new ones are appended
    // from nFirst on.
    void addEntries() {
        CNotesLabel label;
        CVornDoc doc(label);
        doc.m_personList.push_back(std::make_unique<CPerson>(Person("Ann", "", {"A", "B"})));
        doc.m_groupList = {"A", "B"};
        std::vector<CPerson> incoming = {Person("  Ann", "", {"B", "A"}), Person(""),
                                         Person("Ann", "Salem", {"C"}),
                                         Person("Ann", "Salem", {"C"})};
        const CAddFromFile::SAdded added = CAddFromFile::AddEntries(doc, incoming);
        QVERIFY(!added.bTooMany);
        QCOMPARE(added.nFirst, size_t(1));
        QCOMPARE(added.added.size(), size_t(1));
        QCOMPARE(added.added[0], doc.m_personList[1].get());
        QCOMPARE(added.nAlreadyThere, qsizetype(2));
        QCOMPARE(added.nWithoutName, qsizetype(1));
        QCOMPARE(added.newGroups, QList<QByteArray>{"C"});
        QCOMPARE(doc.m_groupList, (QList<QByteArray>{"A", "B", "C"}));
        QCOMPARE(CAddFromFile::StatusText(added),
                 QString("Added 1 entry; 2 were already there; 1 had no name and was left out"));
    }

    void exportDialogKeyboard() {
        CExportDlg dlg;
        QVERIFY(dlg.m_radioVCard40->isChecked());
        QVERIFY(dlg.m_radioAll->isChecked());
        for (QAbstractButton* button : dlg.findChildren<QAbstractButton*>()) {
            QVERIFY2(!button->objectName().isEmpty(), qPrintable(button->text()));
            QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
        }
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        // A mnemonic clicks its button after a short flash.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::AltModifier);
        QTRY_VERIFY(dlg.m_radioVCard30->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(dlg.m_radioShown->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nFormat, int(CExportDlg::VCard30));
        QVERIFY(dlg.m_bShownOnly);
    }
};

QTEST_MAIN(TestExchange)
#include "TestExchange.moc"
