#include "CFixedRandom.h"
#include "CMemoryProfile.h"
#include "CPasswordDlg.h"
#include "CScriptedPrompt.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString kEnter =
    QStringLiteral("This program is password protected.  Please enter your password to continue.");
const QString kConfirm = QStringLiteral("Please confirm your password by reentering it here.");
const QString kCreate = QStringLiteral("There was no password database. Create a new password?");
const QString kInvalid = QStringLiteral("Invalid password.");
const QString kNoMatch = QStringLiteral("The passwords you typed did not match.");
const QString kEmpty = QStringLiteral("The password cannot be empty. Please type a password.");
const QString kAbsent = QStringLiteral("<absent>");

// The same entries as cycle(n) in scramble_reference.py.
QByteArray Cycle(int n) {
    const QByteArray letters("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QByteArray entry;
    while (entry.size() < n)
        entry += letters;
    return entry.left(n);
}

// Types like a keyboard, one key press per character, also for characters beyond ASCII.
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(widget, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

QString Stored(const QByteArray& entry) {
    return CPasswordDlg::ToProfileText(CPasswordDlg::ScramblePassword(entry));
}
} // namespace

class TestPasswordDlg : public QObject {
    Q_OBJECT
private slots:
    void generator_data();
    void generator();
    void scrambleTable_data();
    void scrambleTable();
    void acceptedForOneAnother_data();
    void acceptedForOneAnother();
    void storedTextReadsBackByteForByte();
    void dialogStates_data();
    void dialogStates();
    void boxRefusesMoreThan250Bytes_data();
    void boxRefusesMoreThan250Bytes();
    void startup_data();
    void startup();
};

void TestPasswordDlg::generator_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("password seed") << quint32(7781) << QList<int>{25448, 17133, 20500, 2729, 17726};
    QTest::newRow("seed 1") << quint32(1) << QList<int>{41, 18467, 6334};
    QTest::newRow("state wraps") << quint32(0xFFFFFFFF) << QList<int>{35, 29739, 3374};
}

void TestPasswordDlg::generator() {
    QFETCH(quint32, seed);
    QFETCH(QList<int>, values);
    CFixedRandom random(seed);
    QList<int> got;
    for (qsizetype i = 0; i < values.size(); ++i)
        got.append(random.Next());
    QCOMPARE(got, values);
    random.Seed(seed);
    QCOMPARE(random.Next(), values.first());
}

// Lengths and SHA-256 digests of the stored values come from scramble_reference.py.
void TestPasswordDlg::scrambleTable_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("sha256");
    // Every character placed.
    QTest::newRow("3 abc")
        << QByteArray("abc") << 250
        << QByteArray("5c3c48fcd7b0a77e69ecbe239e4c778baf03a36555ead8cd340cc6395263522b");
    QTest::newRow("8 password")
        << QByteArray("password") << 250
        << QByteArray("a2d85e064bc4a0664004fe9895ead0f282eb9f256342c6afe06b974a5cdb4bcb");
    QTest::newRow("7 UTF-8 bytes")
        << QStringLiteral("p\u00e4sswd").toUtf8() << 250
        << QByteArray("665dd0d651b9524f252d6bfa196baf4ab092a8366c72d37e9a966f1c0664d462");
    QTest::newRow("20") << Cycle(20) << 250
                        << QByteArray(
                               "ea75d5f2f903cc31e1fca51dd2eed6f98c97ef041bb57746fd454c6a4bb97eda");
    QTest::newRow("249") << Cycle(249) << 250
                         << QByteArray(
                                "cbb2c5bb7d968139c3de487191f69bd6bfd93a63f715a9369074ea1db9ab3579");
    // The last character is not placed.
    QTest::newRow("1 q") << QByteArray("q") << 250
                         << QByteArray(
                                "18c6fabe902b409f59257e9ddc6616eb3bd1238d63493a0cd4966aa676d885f3");
    QTest::newRow("5 hello")
        << QByteArray("hello") << 250
        << QByteArray("8b79c4e20cbec6affeca02ccd9bb82dd8d56d4c2ef74280848a0bdd4d87a06f6");
    QTest::newRow("10 UTF-8 bytes")
        << QStringLiteral("p\u00e4ssw\u00f6rd").toUtf8() << 250
        << QByteArray("3059f09904f4fd1bf72d12e627550d06591a5e9ccd630355a159ae8b926aadac");
    QTest::newRow("250") << Cycle(250) << 250
                         << QByteArray(
                                "cbb2c5bb7d968139c3de487191f69bd6bfd93a63f715a9369074ea1db9ab3579");
    // One position more than characters: the terminator lands lowest and ends the text.
    QTest::newRow("18") << Cycle(18) << 13
                        << QByteArray(
                               "d683858f15fbb522b96a2f5dfb9257670c523343ee132d7951564075c5fd01bb");
    QTest::newRow("48") << Cycle(48) << 5
                        << QByteArray(
                               "52db794a1bd9d0c7e4b63efb69109f51672cd25817e15f73d841d0b12eaf5a8f");
    QTest::newRow("248") << Cycle(248) << 1
                         << QByteArray(
                                "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881");
    // Positions below the terminator's take bytes made from the entry.
    QTest::newRow("28") << Cycle(28) << 24
                        << QByteArray(
                               "1d93c04bffa109ccc0b6a7dd93cc51bb7fced93a323fcb94df1463dd29d79ae6");
    QTest::newRow("100") << Cycle(100) << 48
                         << QByteArray(
                                "42054326850bc1ca237a319194747dd23b76320d3792e3dfa09d4c659fa108c4");
    // A character of code 0x40 or 0x80 shifts to zero and cuts the value, unless not placed.
    QTest::newRow("@ third of 5")
        << QByteArray("ab@de") << 100
        << QByteArray("7acd836d7262879e27c3f5ba936ba3910fe60c144528244a012e137d924cd9e1");
    QTest::newRow("@ third of 8")
        << QByteArray("Ab@cdefg") << 186
        << QByteArray("b9805b485571b33d5bbb7177a7762564616541c4ce7b0ce7fcf43dc39e27e1e2");
    QTest::newRow("0x80 byte")
        << QStringLiteral("x\u00c0yz").toUtf8() << 100
        << QByteArray("416c9f69f8f356ecf84e8e62b4f9640c46b2c2acfe2d26fcad6a11a661e8aaa4");
    QTest::newRow("@ fifth of 5")
        << QByteArray("abcd@") << 250
        << QByteArray("7aed3e7a5d026ee572d8ca17a17998fa3e5444ce5d2ddb38f8dedeba91fe3b8e");
}

void TestPasswordDlg::scrambleTable() {
    QFETCH(QByteArray, entry);
    QFETCH(int, length);
    QFETCH(QByteArray, sha256);
    const QByteArray scrambled = CPasswordDlg::ScramblePassword(entry);
    QCOMPARE(scrambled.size(), length);
    QCOMPARE(scrambled.at(0), 'x');
    QCOMPARE(QCryptographicHash::hash(scrambled, QCryptographicHash::Sha256).toHex(), sha256);
}

void TestPasswordDlg::acceptedForOneAnother_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("same");
    QTest::newRow("5, differ in the fifth") << QByteArray("abcde") << QByteArray("abcdZ") << true;
    QTest::newRow("5, differ in the fourth") << QByteArray("abcde") << QByteArray("abcZe") << false;
    QTest::newRow("any one character") << QByteArray("a") << QByteArray("%") << true;
    QTest::newRow("one character, UTF-8") << QByteArray("a") << QStringLiteral("\u00e9").toUtf8()
                                          << false; // two bytes: a different length
    QTest::newRow("low six bits agree") << QByteArray("abc") << QByteArray("!bc") << true;
    QTest::newRow("case differs") << QByteArray("abc") << QByteArray("Abc") << false;
    QTest::newRow("any 18") << Cycle(18) << QByteArray(18, '#') << true;
    QTest::newRow("249 and 250") << Cycle(249) << Cycle(250) << true;
    QTest::newRow("length differs") << QByteArray("abcd") << QByteArray("abcdx") << false;
    QTest::newRow("28, first characters differ") << Cycle(28) << "b" + Cycle(28).mid(1) << false;
    QTest::newRow("empty never matches") << QByteArray() << QByteArray() << false;
}

void TestPasswordDlg::acceptedForOneAnother() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(bool, same);

    // The first is stored as the dialog stores it, the second is typed at the next start.
    CMemoryProfile profile;
    if (!first.isEmpty())
        profile.WriteProfileString("init", "data1", Stored(first));
    else
        profile.WriteProfileString("init", "data1", QString()); // a value nothing scrambles to
    CScriptedPrompt prompt;
    CPasswordDlg dlg;
    dlg.show();
    auto* edit = dlg.findChild<QLineEdit*>("editPassword");
    edit->setText(QString::fromUtf8(second));
    QTest::mouseClick(dlg.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    QCOMPARE(dlg.result() == QDialog::Accepted, same);
    QCOMPARE(prompt.m_texts, same ? QStringList() : QStringList{kInvalid});
}

void TestPasswordDlg::storedTextReadsBackByteForByte() {
    // Every byte a stored value can hold, through a settings file that is read back from disk.
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    QTemporaryDir dir;
    const QString written = dir.filePath("written.conf");
    const QString reread = dir.filePath("reread.conf");
    {
        QSettings settings(written, QSettings::IniFormat);
        settings.setValue("init/data1", CPasswordDlg::ToProfileText(bytes));
    }
    QVERIFY(QFile::copy(written, reread)); // a file the settings cache has never seen
    QSettings settings(reread, QSettings::IniFormat);
    QCOMPARE(settings.value("init/data1").toString().toLatin1(), bytes);
}

// Each row drives one dialog: "type:TEXT" types into the box, "ok", "cancel", "enter", "escape"
// and "close" are the user's actions, "yes" and "no" queue the answer to the next question.
void TestPasswordDlg::dialogStates_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("storedAfter");

    const QString secret = Stored("secret");
    QTest::newRow("stored, match") << secret << QStringList{"type:secret", "ok"} << "accepted"
                                   << kEnter << "secret" << QStringList() << secret;
    QTest::newRow("stored, match by Enter")
        << secret << QStringList{"type:secret", "enter"} << "accepted" << kEnter << "secret"
        << QStringList() << secret;
    QTest::newRow("stored, wrong") << secret << QStringList{"type:secreT", "ok"} << "open" << kEnter
                                   << "secreT" << QStringList{kInvalid} << secret;
    QTest::newRow("stored, empty")
        << secret << QStringList{"ok"} << "open" << kEnter << "" << QStringList{kInvalid} << secret;
    QTest::newRow("stored, cancel") << secret << QStringList{"type:x", "cancel"} << "rejected"
                                    << kEnter << "x" << QStringList() << secret;
    QTest::newRow("stored, escape")
        << secret << QStringList{"escape"} << "rejected" << kEnter << "" << QStringList() << secret;

    QTest::newRow("none, yes") << kAbsent << QStringList{"type:password", "yes", "ok"} << "open"
                               << kConfirm << "" << QStringList{kCreate} << kAbsent;
    QTest::newRow("none, no") << kAbsent << QStringList{"type:password", "no", "ok"} << "open"
                              << kEnter << "password" << QStringList{kCreate, kInvalid} << kAbsent;
    QTest::newRow("none, empty") << kAbsent << QStringList{"yes", "ok"} << "open" << kEnter << ""
                                 << QStringList{kEmpty} << kAbsent;
    QTest::newRow("none, cancel") << kAbsent << QStringList{"type:password", "cancel"} << "rejected"
                                  << kEnter << "password" << QStringList() << kAbsent;

    // The stored value of "password", as scramble_reference.py computes it, is checked apart.
    const QStringList create{"type:password", "yes", "ok"};
    QTest::newRow("confirm, same")
        << kAbsent << create + QStringList{"type:password", "ok"} << "accepted" << kConfirm
        << "password" << QStringList{kCreate} << Stored("password");
    QTest::newRow("confirm, different")
        << kAbsent << create + QStringList{"type:passwore", "ok"} << "open" << kEnter << "password"
        << QStringList{kCreate, kNoMatch} << kAbsent;
    QTest::newRow("confirm, different, then again")
        << kAbsent << create + QStringList{"type:other", "ok", "yes", "ok", "type:password", "ok"}
        << "accepted" << kConfirm << "password" << QStringList{kCreate, kNoMatch, kCreate}
        << Stored("password");
    QTest::newRow("confirm, cancel")
        << kAbsent << create + QStringList{"type:pass", "cancel"} << "open" << kEnter << "pass"
        << QStringList{kCreate} << kAbsent;
    QTest::newRow("confirm, escape twice")
        << kAbsent << create + QStringList{"escape", "escape"} << "rejected" << kEnter << ""
        << QStringList{kCreate} << kAbsent;
    QTest::newRow("confirm, window closed")
        << kAbsent << create + QStringList{"close"} << "rejected" << kConfirm << ""
        << QStringList{kCreate} << kAbsent;
    QTest::newRow("confirm, then cancel, then ok asks again")
        << kAbsent << create + QStringList{"type:word", "cancel", "yes", "ok"} << "open" << kConfirm
        << "" << QStringList{kCreate, kCreate} << kAbsent;
}

void TestPasswordDlg::dialogStates() {
    QFETCH(QString, stored);
    QFETCH(QStringList, steps);
    QFETCH(QString, result);
    QFETCH(QString, prompt);
    QFETCH(QString, box);
    QFETCH(QStringList, messages);
    QFETCH(QString, storedAfter);

    CMemoryProfile profile;
    if (stored != kAbsent)
        profile.WriteProfileString("init", "data1", stored);
    CScriptedPrompt answers;
    CPasswordDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Velloby"));
    auto* edit = dlg.findChild<QLineEdit*>("editPassword");
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(dlg.findChild<QLabel*>("labelPassword")->buddy(), edit);
    for (const QString& step : steps) {
        if (step.startsWith("type:")) {
            edit->clear();
            Type(edit, step.mid(5));
        } else if (step == "ok") {
            QTest::mouseClick(dlg.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        } else if (step == "cancel") {
            QTest::mouseClick(dlg.findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
        } else if (step == "enter" || step == "escape") {
            QTest::keyClick(edit, step == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        } else if (step == "close") {
            dlg.close();
        } else {
            answers.QueueAnswer(step == "yes" ? IPrompt::AnswerYes : IPrompt::AnswerNo);
        }
    }
    const QString actual = dlg.isVisible()                     ? "open"
                           : dlg.result() == QDialog::Accepted ? "accepted"
                                                               : "rejected";
    QCOMPARE(actual, result);
    QCOMPARE(dlg.findChild<QLabel*>("labelPrompt")->text(), prompt);
    QCOMPARE(edit->text(), box);
    QCOMPARE(answers.m_texts, messages);
    for (qsizetype i = 0; i < messages.size(); ++i)
        QCOMPARE(answers.m_buttons.at(i), messages.at(i) == kCreate ? IPrompt::YesNo : IPrompt::Ok);
    QCOMPARE(profile.GetProfileString("init", "data1", kAbsent), storedAfter);
    if (storedAfter != kAbsent && storedAfter != stored) {
        // Created here: the value scramble_reference.py gives for "password".
        const QByteArray bytes = storedAfter.toLatin1();
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray("a2d85e064bc4a0664004fe9895ead0f282eb9f256342c6afe06b974a5cdb4bcb"));
    }
}

void TestPasswordDlg::boxRefusesMoreThan250Bytes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    const QString e(QChar(0x00e9)); // two bytes in UTF-8
    QTest::newRow("251 letters") << QString(251, 'a') << QString(250, 'a');
    QTest::newRow("125 two-byte characters") << e.repeated(125) << e.repeated(125);
    QTest::newRow("one byte over") << e.repeated(125) + "a" << e.repeated(125);
    QTest::newRow("one two-byte over") << QString(249, 'a') + e << QString(249, 'a');
    QTest::newRow("one byte to go") << QString(248, 'a') + e + "b" << QString(248, 'a') + e;
}

void TestPasswordDlg::boxRefusesMoreThan250Bytes() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    CPasswordDlg dlg;
    dlg.show();
    auto* edit = dlg.findChild<QLineEdit*>("editPassword");
    Type(edit, typed);
    QCOMPARE(edit->text(), kept);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), kept.chopped(1)); // still editable after a refusal
}

// Start-up runs the dialog before any other window and goes on only when it ends with OK.
void TestPasswordDlg::startup_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("passed");
    QTest::newRow("cancel, password stored") << true << "wrong"
                                             << "btnCancel" << false;
    QTest::newRow("cancel, nothing stored") << false << ""
                                            << "btnCancel" << false;
    QTest::newRow("right password") << true << "secret"
                                    << "btnOk" << true;
}

void TestPasswordDlg::startup() {
    QFETCH(bool, stored);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(bool, passed);

    CMemoryProfile profile;
    if (stored)
        profile.WriteProfileString("init", "data1", Stored("secret"));
    CScriptedPrompt answers;
    QStringList windowsDuring;
    QString boxAtStart = "<not run>";
    QTimer::singleShot(0, this, [&] {
        auto* dlg = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        for (QWidget* window : QApplication::topLevelWidgets())
            windowsDuring.append(window->metaObject()->className());
        auto* edit = dlg->findChild<QLineEdit*>("editPassword");
        boxAtStart = edit->text();
        Type(edit, typed);
        QTest::mouseClick(dlg->findChild<QPushButton*>(button), Qt::LeftButton);
        if (dlg->isVisible())
            dlg->done(QDialog::Accepted); // never reached unless the button failed
    });
    QCOMPARE(CPasswordDlg::CheckStartupPassword(), passed);
    QCOMPARE(boxAtStart, QString());
    QCOMPARE(windowsDuring, QStringList{"CPasswordDlg"});
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QCOMPARE(answers.m_texts, QStringList());
}

QTEST_MAIN(TestPasswordDlg)
#include "TestPasswordDlg.moc"
