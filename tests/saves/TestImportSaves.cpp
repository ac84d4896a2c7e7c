// Saves of the import program that cannot lie: the wizard's save and the batch import, each
// failing at every step of the write, and the real program writing onto a full disk. Each time
// the old file stays byte for byte, no temporary file is left, and the reason is given (the
// wizard asks for another file; the batch import exits with 1 and says why on stderr).
#include "CBatchImport.h"
#include "CImportView.h"
#include "CMainFrame.h"
#include "CSaveFaults.h"
#include "CScriptedFileDialogs.h"
#include "CScriptedPrompt.h"
#include "CVornDoc.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace SaveFaults;
using Fault = CFaultyFileSystem::Fault;

namespace {

const QByteArray kOld = QByteArray::fromHex("0f000000 0000 0100 034f6c64 0000000000000000 0000"
                                            "00000000 054e6f746573 01000000");

// A text file of `count` lines to import.
QByteArray Lines(int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "Person " + QByteArray::number(i) + "\t12 Elm St\tSpringfield\tIL\t62701\t555-" +
                QByteArray::number(1000 + i) + '\n';
    return text;
}

// Runs the batch import in this process, with what it writes on stderr.
int RunBatch(const QStringList& arguments, QByteArray* pStderr) {
    QTemporaryFile capture;
    if (!capture.open())
        return -1;
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    const int code = CBatchImport::Run(QStringList{"import"} + arguments);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    *pStderr = capture.readAll();
    return code;
}

// Runs the import program itself, by its full path.
int RunImport(const QStringList& arguments, QByteArray* pStderr) {
    QProcess process;
    process.start(QStringLiteral(IMPORT_EXE), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    *pStderr = process.readAllStandardError();
    return process.exitCode();
}

} // namespace

class TestImportSaves : public QObject {
    Q_OBJECT
private slots:
    void wizardSave_data() {
        AddColumns();
        AddRows();
    }
    void wizardSave() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString input = dir.filePath("in.txt");
        QVERIFY(WriteBytes(input, Lines(3)));
        const QString output = dir.filePath("out.vby");
        QVERIFY(WriteBytes(output, kOld));
        CScriptedPrompt prompt;
        CScriptedFileDialogs files;
        files.QueueAnswer(output);
        CMainFrame frame;
        CImportView* view = frame.View();
        view->m_editFileName->setText(input);
        int pages = 0;
        std::function<void()> answer = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                QTimer::singleShot(10, answer);
                return;
            }
            ++pages;
            QTest::mouseClick(
                modal->findChild<QPushButton*>(pages == 1 ? "nextButton" : "doneButton"),
                Qt::LeftButton);
            if (pages == 1)
                QTimer::singleShot(10, answer);
        };
        QTimer::singleShot(0, answer);
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            // The save fails; the wizard asks for another file, and that is cancelled.
            QVERIFY(!view->OnNext());
        }
        QCOMPARE(pages, 2);
        QCOMPARE(prompt.m_texts,
                 QStringList{QStringLiteral("Cannot save \"%1\": %2. The file on disk was left as "
                                            "it was.\n\nChoose another file to save the imported "
                                            "records in.")
                                 .arg(output, reason)});
        QCOMPARE(files.m_requests.size(), 2);
        QCOMPARE(ReadBytes(output), kOld);
        QCOMPARE(Entries(dir.path()), (QStringList{"in.txt", "out.vby"}));
    }

    void batch_data() {
        AddColumns();
        AddRows();
    }
    void batch() {
        QFETCH(Fault, fault);
        QFETCH(qint64, failAt);
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString input = dir.filePath("in.txt");
        QVERIFY(WriteBytes(input, Lines(3)));
        const QString output = dir.filePath("out.vby");
        QVERIFY(WriteBytes(output, kOld));
        QByteArray errors;
        int code;
        {
            CFaultyFileSystem fs(fault, failAt);
            fs.m_nError = error;
            code = RunBatch({"--batch", input, "--output", output}, &errors);
        }
        QCOMPARE(code, 1);
        QCOMPARE(QString::fromLocal8Bit(errors),
                 QStringLiteral("import: Cannot save \"%1\": %2. The file on disk was left as it "
                                "was.\n")
                     .arg(output, reason));
        QCOMPARE(ReadBytes(output), kOld);
        QCOMPARE(Entries(dir.path()), (QStringList{"in.txt", "out.vby"}));
    }

    // The real program onto a real disk with 4 KB left and a larger file to write: once it
    // exited 0 and left the old file cut short.
    void fullDisk_data() {
        QTest::addColumn<qint64>("free");
        QTest::newRow("4 KB free") << qint64(4096);
        QTest::newRow("nothing free") << qint64(0);
    }
    void fullDisk() {
        QFETCH(qint64, free);
        CTmpfs disk(64);
        QString whyNot;
        if (!disk.Mount(&whyNot))
            QSKIP(qPrintable(whyNot));
        QTemporaryDir dir;
        const QString input = dir.filePath("in.txt");
        QVERIFY(WriteBytes(input, Lines(300)));
        const QString output = disk.FilePath("out.vby");
        QVERIFY(WriteBytes(output, kOld));
        QVERIFY(disk.Fill(free));
        QByteArray errors;
        QCOMPARE(RunImport({"--batch", input, "--output", output}, &errors), 1);
        QVERIFY2(errors.contains("the disk is full"), errors.constData());
        QCOMPARE(ReadBytes(output), kOld);
        QCOMPARE(Entries(disk.Path()), (QStringList{"filler", "out.vby"}));
        // The old file still opens.
        CNotesLabel label;
        CVornDoc doc(label);
        QVERIFY(doc.OnOpenDocument(output));
        QCOMPARE(doc.m_personList.size(), size_t(1));
    }
};

QTEST_MAIN(TestImportSaves)
#include "TestImportSaves.moc"
