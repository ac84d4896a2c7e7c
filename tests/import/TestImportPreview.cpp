#include "CImportMapDlg.h"
#include "CImportParamsDlg.h"
#include "CImportPreviewDlg.h"
#include "CImportView.h"
#include "CMainFrame.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornDoc.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace {

// Answers the wizard's modal pages: each time a modal dialog is shown, the next queued action
// runs on it from inside its event loop; a page still open after a while is closed with Cancel
// so a failing test cannot hang.
class CModalDriver : public QObject {
public:
    using Action = std::function<void(QDialog*)>;
    CModalDriver() { qApp->installEventFilter(this); }
    ~CModalDriver() override { qApp->removeEventFilter(this); }

    void Queue(Action action) { m_actions.append(std::move(action)); }
    int Pending() const { return static_cast<int>(m_actions.size()); }
    QStringList m_shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isModal()) {
            m_shown.append(dialog->objectName());
            const int showing = ++m_nShowings;
            if (!m_actions.isEmpty()) {
                Action action = m_actions.takeFirst();
                QTimer::singleShot(0, dialog, [dialog, action] { action(dialog); });
            }
            QTimer::singleShot(5000, dialog, [this, dialog, showing] {
                if (dialog->isVisible() && showing == m_nShowings)
                    dialog->reject();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QList<Action> m_actions;
    int m_nShowings = 0;
};

template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qWarning("no child %s", name);
    return child;
}

QString WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void Click(QDialog* page, const char* button) {
    QTest::mouseClick(Child<QPushButton>(page, button), Qt::LeftButton);
}

// The rows of the preview list: name, e-mail, phone, city.
QList<QStringList> PreviewRows(QDialog* page) {
    QList<QStringList> rows;
    const QAbstractItemModel* model = Child<QTreeView>(page, "contactsList")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        rows.append(cells);
    }
    return rows;
}

struct SFile {
    std::vector<CPerson> people;
    QList<QByteArray> groups;
};
SFile ReadContactFile(const QString& path) {
    CNotesLabel label;
    CVornDoc doc(label);
    SFile file;
    if (!doc.OnOpenDocument(path))
        return file;
    for (const auto& person : doc.m_personList)
        file.people.push_back(*person);
    file.groups = doc.m_groupList;
    return file;
}

// Two cards as a phone writes them: folded lines, a photo, categories.
const QByteArray kVCard = "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "N:Doe;Jane;;;\r\n"
                          "FN:Jane Doe\r\n"
                          "EMAIL;TYPE=INTERNET:jane@example.org\r\n"
                          "TEL;TYPE=CELL:+1 555 123 4567\r\n"
                          "ADR;TYPE=HOME:;;12 Elm St;Springfield;IL;62701;USA\r\n"
                          "CATEGORIES:Friends,Work\r\n"
                          "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
                          " /2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8U\r\n"
                          "END:VCARD\r\n"
                          "BEGIN:VCARD\r\n"
                          "VERSION:4.0\r\n"
                          "FN:Bob Ray\r\n"
                          "EMAIL:bob@example.org\r\n"
                          "END:VCARD\r\n";

// A CSV file whose header row names its columns, with quoted commas and a quoted line break.
const QByteArray kCsv = "Name,E-mail,Phone,City,Address\r\n"
                        "\"Doe, Jane\",jane@example.org,555-1234,Springfield,\"12 Elm St\n"
                        "Apt 4\"\r\n"
                        "\"Ray, Bob\",\"bob@example.org\",\"555-2222\",Salem,\r\n";

} // namespace

class TestImportPreview : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // A vCard file and a CSV file with a header row go to the preview page, and from there
    // straight to the save dialog.
    void previewThenSave_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("leftOut");
        QTest::newRow("vCard") << kVCard << "vCard file"
                               << QList<QStringList>{{"Jane Doe", "jane@example.org",
                                                      "+1 555 123 4567", "Springfield"},
                                                     {"Bob Ray", "bob@example.org", "", ""}}
                               << "photo";
        QTest::newRow("CSV with a header row")
            << kCsv << "CSV file with a header row"
            << QList<QStringList>{{"Doe, Jane", "jane@example.org", "555-1234", "Springfield"},
                                  {"Ray, Bob", "bob@example.org", "555-2222", "Salem"}}
            << "Nothing in the file is left out.";
    }
    void previewThenSave() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, leftOut);
        const QString input = WriteText(m_dir.filePath("contacts.in"), bytes);
        const QString output = m_dir.filePath("contacts.vby");
        QFile::remove(output);
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        QSignalSpy closing(view, &CImportView::closeRequested);
        view->m_editFileName->setText(input);
        driver.Queue([&](QDialog* page) {
            QCOMPARE(page->windowTitle(), QString("Contacts to import"));
            QCOMPARE(Child<QLabel>(page, "fileLabel")->text(), input);
            QCOMPARE(Child<QLabel>(page, "formatLabel")->text(), kind);
            const QList<QStringList> shown = PreviewRows(page);
            QCOMPARE(shown.size(), rows.size());
            for (int i = 0; i < rows.size(); ++i) {
                QCOMPARE(shown[i][0], rows[i][0]);
                QCOMPARE(shown[i][1], rows[i][1]);
                // A phone may carry its label in brackets after the number.
                QCOMPARE(shown[i][2].left(rows[i][2].size()), rows[i][2]);
                QCOMPARE(shown[i][3], rows[i][3]);
            }
            QCOMPARE(Child<QLabel>(page, "countLabel")->text(),
                     QString("2 contacts will be written."));
            const QString told = Child<QLabel>(page, "leftOutLabel")->text();
            QVERIFY2(told.contains(leftOut), qPrintable(told));
            // Enter goes on, as "&Next  >>" does.
            QTest::keyClick(Child<QTreeView>(page, "contactsList"), Qt::Key_Return);
        });
        files.QueueAnswer(output);
        QVERIFY(view->OnNext());
        QCOMPARE(driver.m_shown, QStringList{"importPreviewDlg"});
        QCOMPARE(driver.Pending(), 0);
        QCOMPARE(files.m_requests.size(), 1);
        QCOMPARE(files.m_requests[0].strSuggested, QString("import.vby"));
        QCOMPARE(closing.count(), 1);
        QVERIFY(prompt.m_texts.isEmpty());

        const SFile written = ReadContactFile(output);
        QCOMPARE(written.people.size(), size_t(2));
        QCOMPARE(QString::fromUtf8(written.people[0].m_strName), rows[0][0]);
        QCOMPARE(QString::fromUtf8(written.people[1].m_strEmail), rows[1][1]);
        if (kind == "vCard file") {
            const CPerson& jane = written.people[0];
            QCOMPARE(jane.m_strAddress, QByteArray("12 Elm St"));
            QCOMPARE(jane.m_strZip, QByteArray("62701"));
            QCOMPARE(jane.m_groups, (QList<QByteArray>{"Friends", "Work"}));
            // Every group an entry names is in the file's list of groups.
            QCOMPARE(written.groups, (QList<QByteArray>{"Friends", "Work"}));
        } else {
            // The quoted line break stays a line break (the form's own CR LF or a bare LF).
            QCOMPARE(QByteArray(written.people[0].m_strAddress).replace("\r\n", "\n"),
                     QByteArray("12 Elm St\nApt 4"));
            QVERIFY(written.groups.isEmpty());
        }
    }

    // "Map by &Hand..." leads to the parameters page; going back from there shows the preview
    // again, and going back from the preview ends on the first page. Cancelling the save dialog
    // writes nothing.
    void waysBackFromThePreview() {
        const QString input = WriteText(m_dir.filePath("back.vcf"), kVCard);
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        QSignalSpy closing(view, &CImportView::closeRequested);
        view->m_editFileName->setText(input);
        driver.Queue([](QDialog* page) { Click(page, "mapByHandButton"); });
        driver.Queue([](QDialog* page) {
            // The parameters page over the lines of the file.
            QCOMPARE(page->objectName(), QString("importParamsDlg"));
            QVERIFY(Child<QTreeView>(page, "previewList")->model()->rowCount() > 10);
            page->reject();
        });
        driver.Queue([](QDialog* page) { Click(page, "nextButton"); }); // the preview again
        QVERIFY(!view->OnNext()); // the save dialog is cancelled
        QCOMPARE(driver.m_shown,
                 (QStringList{"importPreviewDlg", "importParamsDlg", "importPreviewDlg"}));
        QCOMPARE(files.m_requests.size(), 1);
        QCOMPARE(closing.count(), 0);

        // Escape on the preview: back on the first page.
        driver.Queue([](QDialog* page) { QTest::keyClick(page, Qt::Key_Escape); });
        QVERIFY(!view->OnNext());
        QCOMPARE(files.m_requests.size(), 1);

        // By hand all the way: the delimited flow over the same file.
        const QString output = m_dir.filePath("byhand.vby");
        driver.Queue([](QDialog* page) { Click(page, "mapByHandButton"); });
        driver.Queue([](QDialog* page) { Click(page, "nextButton"); });
        driver.Queue([](QDialog* page) { Click(page, "doneButton"); });
        files.QueueAnswer(output);
        QVERIFY(view->OnNext());
        // Every line of the file became a record of its own.
        QCOMPARE(ReadContactFile(output).people.size(), size_t(16));
    }

    // Quoted fields through the parameters and mapping pages: the box is ticked for a file that
    // holds quoted fields, a quoted delimiter stays in its field, and a quoted line break joins
    // two lines into one record. Unticked, the lines split as plain text.
    void fieldsInQuotes_data() {
        QTest::addColumn<bool>("untick");
        QTest::addColumn<QStringList>("firstFields");
        QTest::addColumn<QString>("count");
        QTest::newRow("quotes") << false << QStringList{"Doe; Jane", "12 Elm St\nApt 4", "555-1234"}
                                << "2";
        QTest::newRow("unticked") << true << QStringList{"\"Doe", " Jane\"", "\"12 Elm St"} << "3";
    }
    void fieldsInQuotes() {
        QFETCH(bool, untick);
        QFETCH(QStringList, firstFields);
        QFETCH(QString, count);
        // No header row: plain delimited text for the specified flow.
        const QString input =
            WriteText(m_dir.filePath("quoted.txt"), "\"Doe; Jane\";\"12 Elm St\r\n"
                                                    "Apt 4\";\"555-1234\"\r\n"
                                                    "\"Ray, Bob\";\"say \"\"hi\"\"\";555-2222\r\n");
        const QString output = m_dir.filePath("quoted.vby");
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        driver.Queue([untick](QDialog* page) {
            QCOMPARE(page->objectName(), QString("importParamsDlg"));
            auto* quotes = Child<QCheckBox>(page, "quotesCheck");
            QCOMPARE(quotes->text(), QString("Fields may be in &quotes"));
            QCOMPARE(quotes->shortcut(), QKeySequence("Alt+Q"));
            QVERIFY(quotes->isChecked());
            if (untick) {
                quotes->setFocus();
                QTest::keyClick(quotes, Qt::Key_Space);
            }
            QCOMPARE(quotes->isChecked(), !untick);
            Child<QCheckBox>(page, "tabCheck")->setChecked(false);
            Child<QCheckBox>(page, "semicolonCheck")->setChecked(true);
            Click(page, "nextButton");
        });
        driver.Queue([&](QDialog* dlg) {
            auto* page = static_cast<CImportMapDlg*>(dlg);
            QCOMPARE(Child<QLabel>(page, "recordCountLabel")->text(), count);
            QStringList fields;
            for (int row = 0; row < page->m_listFrom->count() && row < firstFields.size(); ++row)
                fields.append(page->m_listFrom->item(row)->text());
            QCOMPARE(fields, firstFields);
            Click(page, "doneButton");
        });
        files.QueueAnswer(output);
        QVERIFY(view->OnNext());
        QCOMPARE(driver.Pending(), 0);
        const SFile written = ReadContactFile(output);
        QCOMPARE(QString::number(written.people.size()), count);
        if (!untick) {
            QCOMPARE(written.people[0].m_strName, QByteArray("Doe; Jane"));
            QCOMPARE(written.people[1].m_strName, QByteArray("Ray, Bob"));
            QVERIFY(written.people[1].m_strNotes.contains("say \"hi\""));
        }
    }

    // A plain file is not taken for a contact file: the specified pages, with the quotes box
    // off.
    void plainTextGoesToTheParametersPage() {
        const QString input =
            WriteText(m_dir.filePath("plain.txt"), "Ann Lee\t1 Elm St\t555-1234\n"
                                                   "Bob Ray\t2 Oak Ave\t555-2222\n");
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        driver.Queue([](QDialog* page) {
            QVERIFY(!Child<QCheckBox>(page, "quotesCheck")->isChecked());
            page->reject();
        });
        QVERIFY(!view->OnNext());
        QCOMPARE(driver.m_shown, QStringList{"importParamsDlg"});
    }

    // Every control of the preview page has a name and an accessible name, and the keyboard
    // reaches the list and both buttons in reading order.
    void previewKeyboardAndNames() {
        CImportPreviewDlg page;
        CContactReader::Result result;
        result.people.resize(3);
        result.format = EContactFormat::VCard;
        page.SetContacts("x.vcf", &result);
        QCOMPARE(page.m_labelCount->text(), QString("3 contacts will be written."));
        QCOMPARE(CImportPreviewDlg::CountText(1), QString("1 contact will be written."));
        QCOMPARE(CImportPreviewDlg::CountText(65535), QString("65,535 contacts will be written."));
        for (QWidget* widget : page.findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractButton*>(widget) &&
                !qobject_cast<QAbstractItemView*>(widget))
                continue;
            if (widget->objectName().startsWith("qt_") || qobject_cast<QHeaderView*>(widget))
                continue;
            QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        // Tab goes from the list to "Map by Hand" to "Next".
        const auto nextTabStop = [](QWidget* widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        QCOMPARE(nextTabStop(page.m_listContacts), page.m_btnMapByHand);
        QCOMPARE(nextTabStop(page.m_btnMapByHand), page.m_btnNext);
        QVERIFY(page.m_btnNext->isDefault());
        // The mnemonics: Alt+H maps by hand, Alt+N goes on, Alt+C reaches the list.
        QCOMPARE(page.m_btnMapByHand->shortcut(), QKeySequence("Alt+H"));
        QCOMPARE(page.m_btnNext->shortcut(), QKeySequence("Alt+N"));
        auto* label = page.findChild<QLabel*>("contactsLabel");
        QCOMPARE(label->buddy(), page.m_listContacts);
        QCOMPARE(QKeySequence::mnemonic(label->text()), QKeySequence("Alt+C"));
    }
};

QTEST_MAIN(TestImportPreview)
#include "TestImportPreview.moc"
