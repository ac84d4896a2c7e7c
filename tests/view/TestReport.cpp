// The formatted report: both layouts byte for byte, the place line, trimming, write failures,
// and the command on the form with its two dialogs and the text viewer.
#include "CFormFixture.h"
#include "CPrintInfoDlg.h"
#include "CRecordingDesktopServices.h"
#include "CReportWriter.h"
#include "CScriptedFileDialogs.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

using Options = CReportWriter::SOptions;

// The worked example: every field but country, e-mail and notes given.
CPerson Ann() {
    CPerson ann;
    ann.m_strName = "Ann Lee";
    ann.m_strAddress = "Main St 1";
    ann.m_strCity = "Boston";
    ann.m_strState = "MA";
    ann.m_strZip = "02101";
    ann.m_strPhone = "555-1234";
    return ann;
}

CPerson Full() {
    CPerson full = Ann();
    full.m_strAddress = "Main St 1\r\nApt 2";
    full.m_strCountry = "United States";
    full.m_strPhone = "555-1234\r\n555-9876";
    full.m_strEmail = "ann@example.org";
    full.m_strNotes = "Likes tea";
    return full;
}

Options TabStops(Options options = {}) {
    options.nFormat = CReportWriter::TabStops;
    return options;
}

const QByteArray kDefaultHeading = "Name\tAddress\tCity\tState\tZIP\tCountry\tPhone\tNotes\n";

// A device that takes only so many bytes, then refuses every write, like a full disk.
class CFillingDevice : public QBuffer {
public:
    explicit CFillingDevice(qint64 nRoom) : m_nRoom(nRoom) {}

protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (size() + len > m_nRoom)
            return -1;
        return QBuffer::writeData(data, len);
    }

private:
    qint64 m_nRoom;
};

// Runs `script` on the modal dialog of type T as soon as it shows.
template <typename T> void OnModal(std::function<void(T*)> script) {
    auto* pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, script] {
        if (auto* pDialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            pTimer->stop();
            pTimer->deleteLater();
            script(pDialog);
        }
    });
    pTimer->start();
}

// Toggles a check box from the keyboard, as a click on its box or label does.
void Toggle(CPrintInfoDlg* pDialog, const char* name) {
    auto* pBox = pDialog->findChild<QCheckBox*>(name);
    pBox->setFocus();
    QTest::keyClick(pBox, Qt::Key_Space);
}

void ClickOk(CPrintInfoDlg* pDialog) {
    QTest::mouseClick(pDialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

Q_DECLARE_METATYPE(CReportWriter::SOptions)

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void trimming();
    void writeFailureKeepsWrittenPart();
    void reportFromForm();
    void defaultsOnEveryRun();
    void cancelled_data();
    void cancelled();
    void filteredList();
    void emptyListAndViewer();
    void fileErrors_data();
    void fileErrors();
    void dialogTexts_data();
    void dialogTexts();
};

void TestReport::layouts_data() {
    QTest::addColumn<QList<CPerson>>("people");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QByteArray>("expected");

    Options noCity;
    noCity.bCity = false;
    Options noZip;
    noZip.bZip = false;
    Options nameOnly{false, false, false, false, false, false, false, false};
    Options withEmail;
    withEmail.bEmail = true;
    Options noNotes;
    noNotes.bNotes = false;
    CPerson paris;
    paris.m_strName = "Ann Lee";
    paris.m_strCity = "Paris";
    paris.m_strZip = "75001";
    CPerson zipOnly;
    zipOnly.m_strName = "Zed";
    zipOnly.m_strZip = "02101";
    CPerson nameless;

    QTest::newRow("worked example, line breaks")
        << QList<CPerson>{Ann()} << Options{}
        << QByteArray("Ann Lee\nMain St 1\nBoston, MA 02101\n555-1234\n \n");
    QTest::newRow("worked example, tab stops")
        << QList<CPerson>{Ann()} << TabStops()
        << kDefaultHeading + "Ann Lee\tMain St 1\tBoston\tMA\t02101\t\t555-1234\t \n";
    QTest::newRow("city and ZIP without state")
        << QList<CPerson>{paris} << Options{} << QByteArray("Ann Lee\nParis 75001\n \n");
    QTest::newRow("City unchecked: state and ZIP")
        << QList<CPerson>{Ann()} << noCity
        << QByteArray("Ann Lee\nMain St 1\nMA 02101\n555-1234\n \n");
    QTest::newRow("ZIP unchecked: the trailing blank is trimmed")
        << QList<CPerson>{Ann()} << noZip
        << QByteArray("Ann Lee\nMain St 1\nBoston, MA\n555-1234\n \n");
    QTest::newRow("ZIP alone") << QList<CPerson>{zipOnly} << Options{}
                               << QByteArray("Zed\n02101\n \n");
    QTest::newRow("nothing checked: name and separator")
        << QList<CPerson>{Full()} << nameOnly << QByteArray("Ann Lee\n \n");
    QTest::newRow("empty name still written")
        << QList<CPerson>{nameless} << Options{} << QByteArray("\n \n");
    QTest::newRow("all fields, inner line breaks kept")
        << QList<CPerson>{Full()} << withEmail
        << QByteArray("Ann Lee\nMain St 1\r\nApt 2\nBoston, MA 02101\nUnited States\n"
                      "555-1234\r\n555-9876\nann@example.org\nLikes tea\n \n");
    QTest::newRow("tab stops, two-line fields on one line, e-mail column")
        << QList<CPerson>{Full()} << TabStops(withEmail)
        << QByteArray("Name\tAddress\tCity\tState\tZIP\tCountry\tPhone\temail\tNotes\n"
                      "Ann Lee\tMain St 1  Apt 2\tBoston\tMA\t02101\tUnited States\t"
                      "555-1234  555-9876\tann@example.org\tLikes tea \n");
    QTest::newRow("tab stops without notes end in a tab")
        << QList<CPerson>{Ann()} << TabStops(noNotes)
        << QByteArray("Name\tAddress\tCity\tState\tZIP\tCountry\tPhone\t\n"
                      "Ann Lee\tMain St 1\tBoston\tMA\t02101\t\t555-1234\t \n");
    QTest::newRow("tab stops, nothing checked")
        << QList<CPerson>{Ann()} << TabStops(nameOnly) << QByteArray("Name\t\nAnn Lee\t \n");
    QTest::newRow("tab stops, heading once")
        << QList<CPerson>{Ann(), paris} << TabStops()
        << kDefaultHeading + "Ann Lee\tMain St 1\tBoston\tMA\t02101\t\t555-1234\t \n" +
               "Ann Lee\t\tParis\t\t75001\t\t\t \n";
    QTest::newRow("empty list, line breaks") << QList<CPerson>{} << Options{} << QByteArray();
    QTest::newRow("empty list, no heading") << QList<CPerson>{} << TabStops() << QByteArray();
}

void TestReport::layouts() {
    QFETCH(QList<CPerson>, people);
    QFETCH(Options, options);
    QFETCH(QByteArray, expected);
    std::vector<CPerson*> pointers;
    for (CPerson& person : people)
        pointers.push_back(&person);
    CReportWriter writer(options);
    QCOMPARE(writer.Build(pointers), expected);
    // Written to a device, the bytes are the same.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CReportWriter again(options);
    QVERIFY(again.Write(pointers, buffer));
    QCOMPARE(buffer.data(), expected);
}

void TestReport::trimming() {
    CPerson person;
    person.m_strName = "  Ann Lee \t";
    person.m_strAddress = "\r\n Main St 1\r\nApt 2 \r\n";
    person.m_strCity = " Paris";
    person.m_strZip = "75001  ";
    person.m_strEmail = " ann@example.org ";
    person.m_strNotes = "inner  blanks stay ";
    person.m_strCountry = "   ";
    CReportWriter writer({});
    QCOMPARE(writer.Build({&person}),
             QByteArray("Ann Lee\nMain St 1\r\nApt 2\nParis 75001\ninner  blanks stay\n \n"));
    // The stored entry itself is trimmed, e-mail too though it was not written.
    QCOMPARE(person.m_strName, QByteArray("Ann Lee"));
    QCOMPARE(person.m_strAddress, QByteArray("Main St 1\r\nApt 2"));
    QCOMPARE(person.m_strCity, QByteArray("Paris"));
    QCOMPARE(person.m_strZip, QByteArray("75001"));
    QCOMPARE(person.m_strEmail, QByteArray("ann@example.org"));
    QCOMPARE(person.m_strCountry, QByteArray());
}

void TestReport::writeFailureKeepsWrittenPart() {
    // Enough entries for several chunks; the device fills up part way.
    std::vector<CPerson> people(20000, Ann());
    for (CPerson& person : people)
        person.m_strName = " Ann Lee ";
    std::vector<CPerson*> pointers;
    for (CPerson& person : people)
        pointers.push_back(&person);
    const QByteArray entry = "Ann Lee\nMain St 1\nBoston, MA 02101\n555-1234\n \n";
    CFillingDevice device(200 * 1024);
    device.open(QIODevice::WriteOnly);
    CReportWriter writer({});
    QVERIFY(!writer.Write(pointers, device));
    // Whole chunks reached the device before it refused; they stay.
    const QByteArray written = device.data();
    QVERIFY(written.size() > 64 * 1024);
    QVERIFY(written.size() <= 200 * 1024);
    QCOMPARE(written.size() % entry.size(), 0);
    QVERIFY(written.startsWith(entry + entry));
    // The entries up to the failing chunk are trimmed; those after it are untouched.
    QCOMPARE(people.front().m_strName, QByteArray("Ann Lee"));
    QCOMPARE(people.back().m_strName, QByteArray(" Ann Lee "));
}

void TestReport::reportFromForm() {
    QTemporaryDir dir;
    const QString path = dir.filePath("export.txt");
    CFormFixture f;
    CPerson zed = CFormFixture::Person("Zed Zulu", "Oslo");
    zed.m_strNotes = "first\r\nsecond";
    f.Open({zed, Ann()});
    CScriptedFileDialogs dialogs;
    dialogs.QueueAnswer(path);
    CRecordingDesktopServices desktop;
    bool bSeen = false;
    OnModal<CPrintInfoDlg>([&bSeen](CPrintInfoDlg* pDialog) {
        bSeen = true;
        QCOMPARE(pDialog->windowTitle(), QStringLiteral("Print a Formatted Report"));
        QTest::mouseClick(pDialog->findChild<QRadioButton*>("radioTabStops"), Qt::LeftButton);
        Toggle(pDialog, "checkCountry");
        Toggle(pDialog, "checkEmail");
        ClickOk(pDialog);
    });
    f.m_pView->OnFormattedReport();
    QVERIFY(bSeen);
    // The save dialog proposes export.txt for text files and confirms overwriting itself.
    QCOMPARE(dialogs.m_requests.size(), 1);
    QVERIFY(dialogs.m_requests[0].bSave);
    QCOMPARE(dialogs.m_requests[0].strSuggested, QStringLiteral("export.txt"));
    QCOMPARE(dialogs.m_requests[0].strFilter, QStringLiteral("Text Files (*.txt)"));
    QCOMPARE(dialogs.m_requests[0].strDefaultSuffix, QStringLiteral("txt"));
    // The list's order (sorted by name), not the file's.
    QCOMPARE(ReadFile(path), QByteArray("Name\tAddress\tCity\tState\tZIP\tPhone\temail\tNotes\n"
                                        "Ann Lee\tMain St 1\tBoston\tMA\t02101\t555-1234\t\t \n"
                                        "Zed Zulu\t\tOslo\t\t\t\t\tfirst  second \n"));
    // The viewer gets the full path as one argument.
    QCOMPARE(desktop.m_starts.size(), 1);
    QCOMPARE(desktop.m_starts[0].strProgram, QStringLiteral("xdg-open"));
    QCOMPARE(desktop.m_starts[0].arguments, QStringList{QFileInfo(path).absoluteFilePath()});
    QVERIFY(!f.m_doc.IsModified());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestReport::defaultsOnEveryRun() {
    QTemporaryDir dir;
    CFormFixture f;
    f.Open({Ann()});
    CScriptedFileDialogs dialogs;
    CRecordingDesktopServices desktop;
    const char* const boxes[] = {"checkAddress", "checkCity",    "checkState",
                                 "checkZip",     "checkCountry", "checkPhone",
                                 "checkEmail",   "checkNotes",   "checkShowViewer"};
    QList<bool> firstRun;
    QList<bool> secondRun;
    bool bTabsFirst = true;
    bool bTabsSecond = true;
    auto flipAll = [&](QList<bool>& states, bool& bTabs) {
        return [&, boxes](CPrintInfoDlg* pDialog) {
            for (const char* name : boxes) {
                states.append(pDialog->findChild<QCheckBox*>(name)->isChecked());
                Toggle(pDialog, name);
            }
            bTabs = pDialog->findChild<QRadioButton*>("radioTabStops")->isChecked();
            QTest::mouseClick(pDialog->findChild<QRadioButton*>("radioTabStops"), Qt::LeftButton);
            ClickOk(pDialog);
        };
    };
    dialogs.QueueAnswer(dir.filePath("one.txt"));
    OnModal<CPrintInfoDlg>(flipAll(firstRun, bTabsFirst));
    f.m_pView->OnFormattedReport();
    dialogs.QueueAnswer(dir.filePath("two.txt"));
    OnModal<CPrintInfoDlg>(flipAll(secondRun, bTabsSecond));
    f.m_pView->OnFormattedReport();
    const QList<bool> defaults{true, true, true, true, true, true, false, true, true};
    QCOMPARE(firstRun, defaults);
    QCOMPARE(secondRun, defaults);
    QVERIFY(!bTabsFirst);
    QVERIFY(!bTabsSecond);
    // Everything flipped: tab stops with the e-mail column only, and no viewer.
    QCOMPARE(ReadFile(dir.filePath("two.txt")), QByteArray("Name\temail\t\nAnn Lee\t\t \n"));
    QVERIFY(desktop.m_starts.isEmpty());
}

void TestReport::cancelled_data() {
    QTest::addColumn<bool>("okFirst");
    QTest::addColumn<bool>("fileChosen");
    QTest::newRow("options cancelled") << false << true;
    QTest::newRow("file cancelled") << true << false;
    QTest::newRow("both cancelled") << false << false;
}

void TestReport::cancelled() {
    QFETCH(bool, okFirst);
    QFETCH(bool, fileChosen);
    QTemporaryDir dir;
    const QString path = dir.filePath("export.txt");
    CFormFixture f;
    f.Open({Ann()});
    CScriptedFileDialogs dialogs;
    if (fileChosen)
        dialogs.QueueAnswer(path);
    CRecordingDesktopServices desktop;
    OnModal<CPrintInfoDlg>([okFirst](CPrintInfoDlg* pDialog) {
        if (okFirst)
            ClickOk(pDialog);
        else
            QTest::mouseClick(pDialog->findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
    });
    f.m_pView->OnFormattedReport();
    // The file is asked for either way; nothing is written or started.
    QCOMPARE(dialogs.m_requests.size(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(desktop.m_starts.isEmpty());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestReport::filteredList() {
    QTemporaryDir dir;
    const QString path = dir.filePath("export.txt");
    CFormFixture f;
    CPerson bob = CFormFixture::Person("  Bob  ", "Rome ");
    f.Open({CFormFixture::Person("Cy"), bob, CFormFixture::Person("Al")});
    // The list as a group filter or a search leaves it: two of the three entries.
    CPerson* pCy = f.m_doc.m_personList[0].get();
    CPerson* pBob = f.m_doc.m_personList[1].get();
    f.m_pView->PeopleModel().Reset({pCy, pBob});
    CScriptedFileDialogs dialogs;
    dialogs.QueueAnswer(path);
    CRecordingDesktopServices desktop;
    OnModal<CPrintInfoDlg>(ClickOk);
    f.m_pView->OnFormattedReport();
    QCOMPARE(ReadFile(path), QByteArray("Bob\nRome\n \nCy\n \n"));
    // The shown entries are trimmed, without marking the document modified.
    QCOMPARE(pBob->m_strName, QByteArray("Bob"));
    QCOMPARE(pBob->m_strCity, QByteArray("Rome"));
    QVERIFY(!f.m_doc.IsModified());
}

void TestReport::emptyListAndViewer() {
    QTemporaryDir dir;
    const QString path = dir.filePath("export.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older report");
    old.close();
    CFormFixture f;
    f.Open({});
    CScriptedFileDialogs dialogs;
    dialogs.QueueAnswer(path);
    CRecordingDesktopServices desktop;
    OnModal<CPrintInfoDlg>([](CPrintInfoDlg* pDialog) {
        QTest::mouseClick(pDialog->findChild<QRadioButton*>("radioTabStops"), Qt::LeftButton);
        ClickOk(pDialog);
    });
    f.m_pView->OnFormattedReport();
    // The old file is truncated to nothing; the viewer still opens it.
    QVERIFY(QFile::exists(path));
    QCOMPARE(ReadFile(path), QByteArray());
    QCOMPARE(desktop.m_starts.size(), 1);
}

void TestReport::fileErrors_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("start");
    QTest::newRow("folder missing") << QStringLiteral("/nonexistent-folder/export.txt")
                                    << QStringLiteral("Cannot create the report file");
    if (QFile::exists("/dev/full"))
        QTest::newRow("disk full")
            << QStringLiteral("/dev/full") << QStringLiteral("Writing the report file");
}

void TestReport::fileErrors() {
    QFETCH(QString, path);
    QFETCH(QString, start);
    CFormFixture f;
    f.Open({Ann()});
    CScriptedFileDialogs dialogs;
    dialogs.QueueAnswer(path);
    CRecordingDesktopServices desktop;
    OnModal<CPrintInfoDlg>(ClickOk);
    f.m_pView->OnFormattedReport();
    QCOMPARE(f.m_prompt.m_texts.size(), 1);
    QVERIFY2(f.m_prompt.m_texts[0].startsWith(start), qPrintable(f.m_prompt.m_texts[0]));
    QVERIFY(f.m_prompt.m_texts[0].contains(QLatin1Char('"') + path + QLatin1Char('"')));
    QVERIFY(desktop.m_starts.isEmpty());
}

void TestReport::dialogTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    // The options carry no keyboard mnemonics.
    const std::pair<const char*, const char*> rows[] = {
        {"radioLineBreaks", "Print with line breaks, suitable for a word processor"},
        {"radioTabStops", "Print with tab stops, suitable for a spreadsheet"},
        {"checkAddress", "Address"},
        {"checkCity", "City"},
        {"checkState", "State"},
        {"checkZip", "ZIP"},
        {"checkCountry", "Country"},
        {"checkPhone", "Phone"},
        {"checkEmail", "E-mail"},
        {"checkNotes", "Notes"},
        {"checkShowViewer", "Show in text viewer"},
        {"btnOK", "OK"},
        {"btnCancel", "Cancel"},
    };
    for (const auto& [name, text] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
}

void TestReport::dialogTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    CPrintInfoDlg dlg;
    auto* pButton = dlg.findChild<QAbstractButton*>(name);
    QVERIFY(pButton);
    QCOMPARE(pButton->text(), text);
    QCOMPARE(pButton->accessibleName(), text);
}

QTEST_MAIN(TestReport)
#include "TestReport.moc"
