#include "CImportMapDlg.h"
#include "CImportParamsDlg.h"
#include "CImportProgressDlg.h"
#include "CImportView.h"
#include "CMainFrame.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CStartRowSpin.h"
#include "CVornDoc.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace {

// Answers the wizard's modal pages: each time a modal dialog is shown, the next queued action
// runs on it from inside its event loop. An action that fails leaves the page open, so a page
// still open after a while is closed with Cancel to keep the test from hanging.
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

const QByteArray kSample = "Name;Street;City;State;ZIP;Phone\n"
                           "Jane Doe;12 Elm St;Springfield;IL;62701;(555) 123-4567\n"
                           "Bob Ray;2 Oak Ave;Salem;OR;97301;555-2222\n"
                           "Cy Doe;3 Pine Rd;Troy;NY;12180;555-3333\n";

// Sets the parameters page's delimiters to semicolon alone and the start row, then "&Next  >>".
void ChooseSemicolon(QDialog* page, const QString& startRow) {
    Child<QCheckBox>(page, "tabCheck")->setChecked(false);
    Child<QCheckBox>(page, "semicolonCheck")->setChecked(true);
    CStartRowSpin* spin = Child<CStartRowSpin>(page, "startRowSpin");
    spin->SetText(QString());
    QTest::keyClicks(spin, startRow);
    QTest::mouseClick(Child<QPushButton>(page, "nextButton"), Qt::LeftButton);
}

// The sample names its columns in its first row, so it opens on the preview page; the specified
// pages are one click away.
void MapByHand(QDialog* page) {
    QCOMPARE(page->objectName(), QString("importPreviewDlg"));
    QTest::mouseClick(Child<QPushButton>(page, "mapByHandButton"), Qt::LeftButton);
}

// Going back from the parameters page shows the preview page again; Escape there goes back to
// the first page.
void LeavePreview(QDialog* page) {
    QCOMPARE(page->objectName(), QString("importPreviewDlg"));
    page->reject();
}

// Clicks a row of a list the way a user does.
void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

} // namespace

class TestImportWizard : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void nextFollowsTheFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("missing") << "missing.txt" << false;
        QTest::newRow("folder") << "." << false;
        QTest::newRow("existing file") << "sample.txt" << true;
    }
    void nextFollowsTheFileName() {
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        WriteText(m_dir.filePath("sample.txt"), kSample);
        CMainFrame frame;
        CImportView* view = frame.View();
        QVERIFY(!view->m_btnNext->isEnabled());
        if (!name.isEmpty())
            QTest::keyClicks(view->m_editFileName, m_dir.filePath(name));
        QCOMPARE(view->m_btnNext->isEnabled(), enabled);
    }

    void statusBarPanes() {
        CMainFrame frame;
        QStringList texts;
        for (QLabel* pane : frame.statusBar()->findChildren<QLabel*>())
            texts << pane->text();
        QCOMPARE(texts, (QStringList{"CAP", "NUM", "SCRL"}));
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("Ready"));
    }

    void browse() {
        const QString path = WriteText(m_dir.filePath("browse.txt"), kSample);
        CScriptedFileDialogs files;
        CMainFrame frame;
        frame.show();
        CImportView* view = frame.View();
        view->m_editFileName->setText(m_dir.filePath("missing.txt"));
        // Cancel: nothing changes.
        QTest::mouseClick(view->m_btnBrowse, Qt::LeftButton);
        QCOMPARE(view->m_editFileName->text(), m_dir.filePath("missing.txt"));
        QVERIFY(!view->m_btnNext->isEnabled());
        // A file: its path, "&Next  >>" enabled and focused.
        files.QueueAnswer(path);
        QTest::mouseClick(view->m_btnBrowse, Qt::LeftButton);
        QCOMPARE(files.m_requests.size(), 2);
        QVERIFY(!files.m_requests[1].bSave);
        QCOMPARE(view->m_editFileName->text(), path);
        QVERIFY(view->m_btnNext->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return view->m_btnNext->hasFocus(); }, 1000) ||
                QApplication::focusWidget() == view->m_btnNext);
    }

    void fileThatCannotBeOpened() {
        CScriptedPrompt prompt;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        const QString path = WriteText(m_dir.filePath("gone.txt"), kSample);
        view->m_editFileName->setText(path);
        QVERIFY(view->m_btnNext->isEnabled());
        QFile::remove(path);
        QVERIFY(!view->OnNext());
        QCOMPARE(prompt.m_texts, QStringList{"An error occurred accessing " + path + "."});
        QVERIFY(driver.m_shown.isEmpty());
    }

    void parametersPage() {
        const QString path = WriteText(m_dir.filePath("params.txt"), kSample);
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(path);
        driver.Queue(MapByHand);
        driver.Queue([&](QDialog* page) {
            QCOMPARE(page->windowTitle(), QString("Specify parameters for import"));
            QCOMPARE(Child<QLabel>(page, "fileLabel")->text(), path);
            auto* preview = Child<QTreeView>(page, "previewList");
            QCOMPARE(preview->model()->rowCount(), 4);
            QCOMPARE(preview->model()->index(2, 0).data().toString(), QString("3"));
            QCOMPARE(preview->model()->index(2, 1).data().toString(),
                     QString("Bob Ray;2 Oak Ave;Salem;OR;97301;555-2222"));
            QCOMPARE(preview->model()->headerData(1, Qt::Horizontal).toString(), QString("Record"));
            QVERIFY(Child<QCheckBox>(page, "tabCheck")->isChecked());
            // "Other:" enables its one-character box.
            auto* other = Child<QCheckBox>(page, "otherCheck");
            auto* otherChar = Child<QLineEdit>(page, "otherCharEdit");
            QVERIFY(!otherChar->isEnabled());
            QTest::mouseClick(other, Qt::LeftButton);
            QVERIFY(otherChar->isEnabled());
            QTest::keyClicks(otherChar, "|#");
            QCOMPARE(otherChar->text(), QString("|"));
            // The start row: six characters at most; the arrows stay within 1 .. 4.
            auto* spin = Child<CStartRowSpin>(page, "startRowSpin");
            QCOMPARE(spin->Text(), QString("1"));
            QTest::keyClick(spin, Qt::Key_Down);
            QCOMPARE(spin->Text(), QString("1"));
            for (int i = 0; i < 6; ++i)
                QTest::keyClick(spin, Qt::Key_Up);
            QCOMPARE(spin->Text(), QString("4"));
            spin->SetText(QString());
            QTest::keyClicks(spin, "12345678");
            QCOMPARE(spin->Text(), QString("123456"));
            page->reject(); // Escape: back to the preview, then to the first page
        });
        driver.Queue(LeavePreview);
        QVERIFY(!view->OnNext());
        QCOMPARE(driver.Pending(), 0);
        QCOMPARE(view->m_paramsDlg->m_lines.size(), 4);
        // Shown again: the lines read before, start row 1, the other choices kept.
        QFile::remove(path);
        WriteText(path, "changed\n");
        driver.Queue(MapByHand);
        driver.Queue([&](QDialog* page) {
            QCOMPARE(Child<QTreeView>(page, "previewList")->model()->rowCount(), 4);
            QCOMPARE(Child<CStartRowSpin>(page, "startRowSpin")->Text(), QString("1"));
            auto* other = Child<QCheckBox>(page, "otherCheck");
            auto* otherChar = Child<QLineEdit>(page, "otherCharEdit");
            QVERIFY(other->isChecked());
            QCOMPARE(otherChar->text(), QString("|"));
            // The character box opens disabled all the same; each click on "Other:" sets it.
            QVERIFY(!otherChar->isEnabled());
            QTest::mouseClick(other, Qt::LeftButton);
            QVERIFY(!otherChar->isEnabled());
            QTest::mouseClick(other, Qt::LeftButton);
            QVERIFY(otherChar->isEnabled());
            page->reject();
        });
        driver.Queue(LeavePreview);
        QVERIFY(!view->OnNext());
        QCOMPARE(driver.Pending(), 0);
        QCOMPARE(view->m_paramsDlg->BuildDelimiters(), QString("\t|"));
    }

    void nothingToImport() {
        const QString path = WriteText(m_dir.filePath("short.txt"), kSample);
        CScriptedPrompt prompt;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(path);
        driver.Queue(MapByHand);
        driver.Queue([](QDialog* page) { ChooseSemicolon(page, "5"); });
        // No record from row 5 on: told so, and the parameters page comes back.
        driver.Queue([](QDialog* page) { page->reject(); });
        driver.Queue(LeavePreview);
        QVERIFY(!view->OnNext());
        QCOMPARE(driver.m_shown, (QStringList{"importPreviewDlg", "importParamsDlg",
                                              "importParamsDlg", "importPreviewDlg"}));
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY(prompt.m_texts[0].contains("nothing to import"));
    }

    void tooManyRecords() {
        QByteArray text;
        for (int i = 0; i < 65537; ++i)
            text += "Name " + QByteArray::number(i) + "\t555-1234\n";
        const QString path = WriteText(m_dir.filePath("huge.txt"), text);
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(path);
        driver.Queue([](QDialog* page) {
            QTest::mouseClick(Child<QPushButton>(page, "nextButton"), Qt::LeftButton);
        });
        // Refused before the mapping page; from row 3 on, 65,535 fit.
        driver.Queue([](QDialog* page) { ChooseSemicolon(page, "3"); });
        driver.Queue([](QDialog* page) {
            QCOMPARE(Child<QLabel>(page, "recordCountLabel")->text(), QString("65535"));
            page->reject();
        });
        driver.Queue([](QDialog* page) { page->reject(); });
        QVERIFY(!view->OnNext());
        QCOMPARE(driver.m_shown, (QStringList{"importParamsDlg", "importParamsDlg", "importMapDlg",
                                              "importParamsDlg"}));
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY2(prompt.m_texts[0].contains("65,537") && prompt.m_texts[0].contains("65,535"),
                 qPrintable(prompt.m_texts[0]));
        QVERIFY(files.m_requests.isEmpty());
    }

    void wholeRunWithWaysBack() {
        const QString input = WriteText(m_dir.filePath("people.txt"), kSample);
        const QString output = m_dir.filePath("people.vby");
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        frame.show();
        CImportView* view = frame.View();
        QSignalSpy closing(view, &CImportView::closeRequested);
        QTest::keyClicks(view->m_editFileName, input);

        // Parameters, then back from the mapping page.
        driver.Queue(MapByHand);
        driver.Queue([](QDialog* page) { ChooseSemicolon(page, "1"); });
        driver.Queue([](QDialog* page) {
            QCOMPARE(Child<QLabel>(page, "recordCountLabel")->text(), QString("4"));
            QTest::keyClick(page, Qt::Key_Escape);
        });
        // The parameters page again: start row 1, semicolon kept. From row 2 this time.
        driver.Queue([](QDialog* page) {
            QCOMPARE(Child<CStartRowSpin>(page, "startRowSpin")->Text(), QString("1"));
            QVERIFY(Child<QCheckBox>(page, "semicolonCheck")->isChecked());
            QVERIFY(!Child<QCheckBox>(page, "tabCheck")->isChecked());
            ChooseSemicolon(page, "2");
        });
        driver.Queue([&](QDialog* dlg) {
            auto* page = static_cast<CImportMapDlg*>(dlg);
            QCOMPARE(Child<QLabel>(page, "recordNoLabel")->text(), QString("1"));
            QCOMPARE(Child<QLabel>(page, "recordCountLabel")->text(), QString("3"));
            QCOMPARE(page->m_listFrom->count(), 6);
            QCOMPARE(page->m_editName->text(), QString("Jane Doe"));
            QCOMPARE(page->m_editAddress->toPlainText(), QString("12 Elm St"));
            QCOMPARE(page->m_editCity->text(), QString("Springfield"));
            QCOMPARE(page->m_editPhone->toPlainText(), QString("(555) 123-4567"));
            QVERIFY(!page->m_btnPrevious->isEnabled());
            QVERIFY(page->m_btnNext->isEnabled());
            // The first From row is selected and its target shown.
            QCOMPARE(page->m_listFrom->currentRow(), 0);
            QCOMPARE(page->m_listTo->currentRow(), 0);
            ClickRow(page->m_listFrom, 1);
            QCOMPARE(page->m_listTo->currentRow(), 1);

            // Typed into a box, then a field moved by hand: the typing stays.
            page->m_editNotes->setFocus();
            QTest::keyClicks(page->m_editNotes, "typed note");
            ClickRow(page->m_listFrom, 2);
            ClickRow(page->m_listTo, 1); // Springfield joins the address
            QCOMPARE(page->m_editAddress->toPlainText(), QString("12 Elm St\nSpringfield"));
            QCOMPARE(page->m_editCity->text(), QString());
            QCOMPARE(page->m_editNotes->toPlainText(), QString("typed note"));
            QCOMPARE(page->m_listFrom->item(2)->data(Qt::UserRole).toUInt(), 1u);
            // Clicking the current To row again maps a newly selected row to it.
            ClickRow(page->m_listFrom, 3);
            QCOMPARE(page->m_listTo->currentRow(), 3);
            ClickRow(page->m_listFrom, 4);
            QCOMPARE(page->m_listTo->currentRow(), 4);
            ClickRow(page->m_listFrom, 3, Qt::ControlModifier);
            QCOMPARE(page->m_listFrom->selectedItems().size(), 2);
            ClickRow(page->m_listTo, 8);
            QCOMPARE(page->m_editNotes->toPlainText(), QString("typed note\nIL\n62701"));
            QCOMPARE(page->m_editState->text(), QString());

            // Enter in a box neither closes the page nor stores anything.
            QTest::keyClick(page->m_editName, Qt::Key_Return);
            QVERIFY(page->isVisible());

            // To the last record and back: the first record as it was left.
            QTest::mouseClick(page->m_btnNext, Qt::LeftButton);
            QCOMPARE(Child<QLabel>(page, "recordNoLabel")->text(), QString("2"));
            QCOMPARE(page->m_editName->text(), QString("Bob Ray"));
            QTest::mouseClick(page->m_btnNext, Qt::LeftButton);
            QVERIFY(!page->m_btnNext->isEnabled());
            QVERIFY(page->m_btnPrevious->isEnabled());
            page->m_editName->setText("Cy Doe Jr");
            QTest::mouseClick(page->m_btnPrevious, Qt::LeftButton);
            QTest::mouseClick(page->m_btnPrevious, Qt::LeftButton);
            QVERIFY(!page->m_btnPrevious->isEnabled());
            QCOMPARE(page->m_editAddress->toPlainText(), QString("12 Elm St\nSpringfield"));
            QCOMPARE(page->m_editNotes->toPlainText(), QString("typed note\nIL\n62701"));
            QCOMPARE(page->m_listFrom->item(3)->data(Qt::UserRole).toUInt(), 8u);
            QVERIFY(page->m_radioDefault->isChecked());
            QTest::mouseClick(page->m_btnDone, Qt::LeftButton);
        });
        // The save dialog: a folder that does not exist first, then a real file.
        files.QueueAnswer(m_dir.filePath("no/such/folder/x.vby"));
        files.QueueAnswer(output);

        QTest::mouseClick(view->m_btnNext, Qt::LeftButton);
        QCOMPARE(driver.Pending(), 0);
        QCOMPARE(files.m_requests.size(), 2);
        QVERIFY(files.m_requests[0].bSave);
        QCOMPARE(files.m_requests[0].strSuggested, QString("import.vby"));
        QCOMPARE(files.m_requests[0].strFilter, QString("Velloby Files (*.vby)"));
        QCOMPARE(files.m_requests[0].strDefaultSuffix, QString("vby"));
        QCOMPARE(prompt.m_texts.size(), 1);
        QVERIFY(prompt.m_texts[0].contains("no/such/folder/x.vby"));
        QCOMPARE(closing.count(), 1);
        QTRY_VERIFY(!frame.isVisible());

        CNotesLabel label;
        CVornDoc doc(label);
        QString error;
        QVERIFY2(doc.OnOpenDocument(output, &error), qPrintable(error));
        QCOMPARE(doc.m_personList.size(), size_t(3));
        const CPerson& jane = *doc.m_personList[0];
        QCOMPARE(jane.m_strName, QByteArray("Jane Doe"));
        QCOMPARE(jane.m_strAddress, QByteArray("12 Elm St\nSpringfield"));
        QCOMPARE(jane.m_strState, QByteArray());
        QCOMPARE(jane.m_strNotes, QByteArray("typed note\nIL\n62701"));
        QCOMPARE(jane.m_strPhone, QByteArray("(555) 123-4567"));
        QCOMPARE(doc.m_personList[1]->m_strCity, QByteArray("Salem"));
        QCOMPARE(doc.m_personList[2]->m_strName, QByteArray("Cy Doe Jr"));
        QCOMPARE(doc.m_personList[2]->m_strZip, QByteArray("12180"));
        QCOMPARE(label.m_strCustomLabel, QByteArray("Notes"));
    }

    void sameMappingFromTheFirstRecord() {
        const QString input =
            WriteText(m_dir.filePath("same.txt"), "Ann\tx@example.org\tNotes one\n"
                                                  "Bob\tBox 9\tNotes two\textra\n"
                                                  "Cy\n");
        const QString output = m_dir.filePath("same.vby");
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        driver.Queue([](QDialog* page) {
            QTest::keyClick(Child<QPushButton>(page, "nextButton"), Qt::Key_Return);
        });
        driver.Queue([](QDialog* dlg) {
            auto* page = static_cast<CImportMapDlg*>(dlg);
            QCOMPARE(page->m_editEmail->text(), QString("x@example.org"));
            QTest::mouseClick(page->m_radioSame, Qt::LeftButton);
            QVERIFY(page->m_radioSame->isChecked());
            QTest::keyClick(page->m_btnDone, Qt::Key_Space);
        });
        files.QueueAnswer(output);
        QVERIFY(view->OnNext());
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.OnOpenDocument(output));
        QCOMPARE(doc.m_personList.size(), size_t(3));
        QCOMPARE(doc.m_personList[1]->m_strEmail, QByteArray("Box 9"));
        QCOMPARE(doc.m_personList[1]->m_strNotes, QByteArray("Notes two"));
        QCOMPARE(doc.m_personList[2]->m_strName, QByteArray("Cy"));
        QCOMPARE(doc.m_personList[2]->m_strEmail, QByteArray());
    }

    void cancelledSaveReturnsToTheFirstPage() {
        const QString input = WriteText(m_dir.filePath("cancel.txt"), kSample);
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        QSignalSpy closing(view, &CImportView::closeRequested);
        view->m_editFileName->setText(input);
        for (int pass = 0; pass < 2; ++pass) {
            driver.Queue(MapByHand);
            driver.Queue([](QDialog* page) { ChooseSemicolon(page, "2"); });
            driver.Queue([](QDialog* page) {
                QTest::mouseClick(Child<QPushButton>(page, "doneButton"), Qt::LeftButton);
            });
        }
        QVERIFY(!view->OnNext());
        QCOMPARE(files.m_requests.size(), 1);
        QCOMPARE(closing.count(), 0);
        QVERIFY(QDir(m_dir.path()).entryList({"*.vby"}).filter("import").isEmpty());
        // A later "&Next  >>" runs the pages again.
        files.QueueAnswer(m_dir.filePath("again.vby"));
        QVERIFY(view->OnNext());
        QCOMPARE(driver.m_shown,
                 (QStringList{"importPreviewDlg", "importParamsDlg", "importMapDlg",
                              "importPreviewDlg", "importParamsDlg", "importMapDlg"}));
        QVERIFY(QFile::exists(m_dir.filePath("again.vby")));
    }

    void emptyLinesHaveNothingToMap() {
        const QString input = WriteText(m_dir.filePath("blank.txt"), "\nAnn Lee\n\n");
        const QString output = m_dir.filePath("blank.vby");
        CScriptedFileDialogs files;
        CModalDriver driver;
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        driver.Queue([](QDialog* page) {
            QTest::mouseClick(Child<QPushButton>(page, "nextButton"), Qt::LeftButton);
        });
        driver.Queue([](QDialog* dlg) {
            auto* page = static_cast<CImportMapDlg*>(dlg);
            QCOMPARE(page->m_listFrom->count(), 0);
            QCOMPARE(page->m_editName->text(), QString());
            ClickRow(page->m_listTo, 2); // nothing selected: nothing changes
            QCOMPARE(page->m_editCity->text(), QString());
            QTest::mouseClick(page->m_btnNext, Qt::LeftButton);
            QCOMPARE(page->m_editName->text(), QString("Ann Lee"));
            QTest::mouseClick(page->m_btnNext, Qt::LeftButton);
            page->m_editNotes->setPlainText("typed into an empty line");
            QTest::mouseClick(page->m_btnDone, Qt::LeftButton);
        });
        files.QueueAnswer(output);
        QVERIFY(view->OnNext());
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.OnOpenDocument(output));
        // The first empty line stays out; the one typed into is kept.
        QCOMPARE(doc.m_personList.size(), size_t(2));
        QCOMPARE(doc.m_personList[0]->m_strName, QByteArray("Ann Lee"));
        QCOMPARE(doc.m_personList[1]->m_strNotes, QByteArray("typed into an empty line"));
    }

    void percentText_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0 << 0 << 100 << "0%";
        QTest::newRow("a third") << 1 << 0 << 3 << "33%";
        QTest::newRow("end") << 65535 << 0 << 65535 << "100%";
        QTest::newRow("past the end wraps") << 101 << 0 << 100 << "1%";
        QTest::newRow("offset range") << 15 << 10 << 20 << "50%";
        QTest::newRow("empty range") << 0 << 0 << 0 << "0%";
    }
    void percentText() {
        QFETCH(int, pos);
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(QString, text);
        QCOMPARE(CImportProgressDlg::PercentText(pos, lower, upper), text);
    }

    void progressWindow() {
        QWidget owner;
        owner.show();
        CImportProgressDlg progress(&owner);
        progress.SetRange(0, 4);
        progress.SetStep(1);
        QCOMPARE(progress.PercentLabel(), QString(" 0 %"));
        progress.Create();
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.windowTitle(), QString("Import Progress"));
        QVERIFY(!owner.isEnabled());
        QVERIFY(progress.isEnabled());
        progress.StepIt();
        QCOMPARE(progress.PercentLabel(), QString("25%"));
        // Neither Escape nor closing ends it.
        QTest::keyClick(&progress, Qt::Key_Escape);
        progress.close();
        QVERIFY(progress.isVisible());
        progress.StepIt();
        progress.StepIt();
        progress.StepIt();
        QCOMPARE(progress.PercentLabel(), QString("100%"));
        progress.Destroy();
        QVERIFY(!progress.isVisible());
        QVERIFY(owner.isEnabled());
    }

    // Ctrl+O opens a file as a document, which names it in the title and loads nothing; Ctrl+N
    // starts over; both leave "&Next  >>" disabled. Ctrl+S writes the records the document
    // holds: none on the first page.
    void documentCommands() {
        const QString input = WriteText(m_dir.filePath("commands.txt"), kSample);
        const QString output = m_dir.filePath("commands.vby");
        CScriptedFileDialogs files;
        CMainFrame frame;
        CImportView* view = frame.View();
        auto command = [&](const char* name) {
            QAction* action = frame.findChild<QAction*>(name);
            QVERIFY2(action, name);
            action->trigger();
        };
        view->m_editFileName->setText(input);
        QVERIFY(view->m_btnNext->isEnabled());
        files.QueueAnswer(input);
        command("openAction");
        QCOMPARE(frame.windowTitle(), QString("commands.txt - Import"));
        QCOMPARE(view->m_editFileName->text(), input);
        QVERIFY(!view->m_btnNext->isEnabled());
        view->m_editFileName->setText(input + "x");
        view->m_editFileName->setText(input);
        QVERIFY(view->m_btnNext->isEnabled());
        command("newAction");
        QCOMPARE(frame.windowTitle(), QString("Import"));
        QVERIFY(!view->m_btnNext->isEnabled());

        files.QueueAnswer(output);
        command("saveAction");
        QCOMPARE(files.m_requests.size(), 2);
        QVERIFY(files.m_requests[1].bSave);
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(QByteArray::fromHex("0f000000"
                                                              "0000"
                                                              "0000")));
    }

    void exitCommandAndNames() {
        CMainFrame frame;
        frame.show();
        QCOMPARE(frame.windowTitle(), QString("Import"));
        QAction* exit = frame.findChild<QAction*>("exitAction");
        QVERIFY(exit);
        QCOMPARE(exit->text(), QString("E&xit"));
        // Every control can be found by name and read by a screen reader.
        for (QWidget* widget : frame.findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractButton*>(widget) && !qobject_cast<QLineEdit*>(widget) &&
                !qobject_cast<QAbstractItemView*>(widget) && !qobject_cast<QPlainTextEdit*>(widget))
                continue;
            // Parts of a composite control: the spin box's editor, a view's header.
            if (widget->parent() && qobject_cast<QAbstractSpinBox*>(widget->parent()))
                continue;
            if (qobject_cast<QHeaderView*>(widget) || widget->objectName().startsWith("qt_"))
                continue;
            QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        exit->trigger();
        QVERIFY(!frame.isVisible());
    }
};

QTEST_MAIN(TestImportWizard)
#include "TestImportWizard.moc"
