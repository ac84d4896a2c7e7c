// Mail, dialling and starting the import program: what the form hands to the desktop, the
// number dialog and every failure message.
#include "CDialPhoneDlg.h"
#include "CFormFixture.h"
#include "CRecordingDesktopServices.h"
#include "CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace {

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

const QString kTwoNumbers = QStringLiteral("Home (555) 123-4567\nWork 555.987.6543 x12");

// An entry with a name and the two numbers, shown in the form.
CPerson Caller(const QByteArray& phone = "Home (555) 123-4567\r\nWork 555.987.6543 x12") {
    return CFormFixture::Person("Ann Lee", {}, phone);
}

QString NumberText(CDialPhoneDlg* pDialog) {
    return pDialog->findChild<QLineEdit*>("editNumber")->text();
}

void Click(QWidget* pWidget) {
    QTest::mouseClick(pWidget, Qt::LeftButton);
}

} // namespace

class TestDialMail : public QObject {
    Q_OBJECT
private slots:
    void numbersFromPhone_data();
    void numbersFromPhone();
    void composeWithPrefix();
    void handEditedNumber();
    void prefixStored_data();
    void prefixStored();
    void noDigitsNoDialog();
    void internationalNumberDialled();
    void callFailures_data();
    void callFailures();
    void mailRecipientAsTyped();
    void mailResults_data();
    void mailResults();
    void importStarts_data();
    void importStarts();
    void menuCommands();
    void dialogTexts_data();
    void dialogTexts();
};

void TestDialMail::numbersFromPhone_data() {
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("two lines") << kTwoNumbers << QStringList{"5551234567", "555987654312"};
    QTest::newRow("no digits") << QStringLiteral("n/a") << QStringList{};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("lines without digits skipped, duplicates kept")
        << QStringLiteral("555-1234\n\nfax: none\n555 1234") << QStringList{"5551234", "5551234"};
    QTest::newRow("signs and letters dropped, the leading plus kept")
        << QStringLiteral("+1 (800) FLOWERS *#, ext. 7") << QStringList{"+18007"};
    QTest::newRow("international number")
        << QStringLiteral("+49 30 1234567 (home)") << QStringList{"+49301234567"};
    QTest::newRow("plus after a label and blanks")
        << QStringLiteral("Work: + 44 20 7946 0000\n(+33) 1 23")
        << QStringList{"+442079460000", "+33123"};
    QTest::newRow("plus not leading the number dropped")
        << QStringLiteral("555+1234\n+x 12\n++\n+-7") << QStringList{"5551234", "12", "7"};
    QTest::newRow("only ASCII digits")
        << QStringLiteral("\u0663\u0664 12 \uff15") << QStringList{"12"};
    QTest::newRow("digits past 250 characters ignored")
        << QString(249, QLatin1Char('x')) + QStringLiteral("12\n") +
               QString(250, QLatin1Char('-')) + QStringLiteral("9\n77")
        << QStringList{"1", "77"};
}

void TestDialMail::numbersFromPhone() {
    QFETCH(QString, phone);
    QFETCH(QStringList, numbers);
    QCOMPARE(CDialPhoneDlg::NumbersFromPhone(phone), numbers);
}

void TestDialMail::composeWithPrefix() {
    CFormFixture f;
    f.m_app.m_strDialPrefix = "9";
    f.Open({Caller()});
    CRecordingDesktopServices desktop;
    QStringList offered;
    QStringList composed;
    bool bPrefixEnabledAtStart = true;
    QString prefixAtStart;
    OnModal<CDialPhoneDlg>([&](CDialPhoneDlg* pDialog) {
        auto* pList = pDialog->findChild<QListWidget*>("listNumbers");
        auto* pCheck = pDialog->findChild<QCheckBox*>("checkUsePrefix");
        auto* pPrefix = pDialog->findChild<QLineEdit*>("editPrefix");
        for (int row = 0; row < pList->count(); ++row)
            offered.append(pList->item(row)->text());
        bPrefixEnabledAtStart = pPrefix->isEnabled();
        prefixAtStart = pPrefix->text();
        composed.append(NumberText(pDialog));
        Click(pCheck);
        composed.append(NumberText(pDialog));
        // The prefix edit is now open and has the dialog's focus. The dialog's own focus widget
        // is asked, since on a busy machine the window system may not have made the dialog the
        // active window yet.
        QVERIFY(pPrefix->isEnabled());
        QCOMPARE(pDialog->focusWidget(), pPrefix);
        Click(pCheck);
        composed.append(NumberText(pDialog));
        Click(pCheck);
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {},
                          pList->visualItemRect(pList->item(1)).center());
        composed.append(NumberText(pDialog));
        QTest::keyClicks(pPrefix, "0");
        composed.append(NumberText(pDialog));
        Click(pDialog->findChild<QPushButton*>("btnDial"));
    });
    f.Click("btnDial");
    QCOMPARE(offered, QStringList({"5551234567", "555987654312"}));
    QVERIFY(!bPrefixEnabledAtStart);
    QCOMPARE(prefixAtStart, QStringLiteral("9"));
    QCOMPARE(composed, QStringList({"5551234567", "95551234567", "5551234567", "9555987654312",
                                    "90555987654312"}));
    QCOMPARE(desktop.m_calls.size(), 1);
    QCOMPARE(desktop.m_calls[0].strNumber, QStringLiteral("90555987654312"));
    QCOMPARE(desktop.m_calls[0].strAppName, QStringLiteral("Velloby"));
    QCOMPARE(desktop.m_calls[0].strCalledParty, QStringLiteral("Ann Lee"));
    QCOMPARE(desktop.m_calls[0].strComment, QString());
    QCOMPARE(f.m_app.m_strDialPrefix, QStringLiteral("90"));
    QVERIFY(f.m_prompt.m_texts.isEmpty());
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
}

void TestDialMail::handEditedNumber() {
    CFormFixture f;
    f.Open({});
    // The numbers come from the Phone field as typed, with the name not yet committed either.
    f.Type("editName", "Bo");
    f.Type("editPhone", "555-0100");
    CRecordingDesktopServices desktop;
    QString afterReselect;
    OnModal<CDialPhoneDlg>([&](CDialPhoneDlg* pDialog) {
        auto* pNumber = pDialog->findChild<QLineEdit*>("editNumber");
        pNumber->setFocus();
        QTest::keyClick(pNumber, Qt::Key_Home);
        QTest::keyClicks(pNumber, "1");
        // Selecting a number again composes it anew...
        auto* pList = pDialog->findChild<QListWidget*>("listNumbers");
        // A click on the line already selected changes nothing; the double-click composes.
        const QPoint line = pList->visualItemRect(pList->item(0)).center();
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, line);
        QCOMPARE(pNumber->text(), QStringLiteral("15550100"));
        QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, line);
        afterReselect = pNumber->text();
        // ...and a double-click does not close the dialog: the number is edited once more.
        QVERIFY(pDialog->isVisible());
        pNumber->setFocus();
        QTest::keyClick(pNumber, Qt::Key_End);
        QTest::keyClicks(pNumber, "#2");
        QTest::keyClick(pNumber, Qt::Key_Return);
    });
    f.Click("btnDial");
    QCOMPARE(afterReselect, QStringLiteral("5550100"));
    QCOMPARE(desktop.m_calls.size(), 1);
    QCOMPARE(desktop.m_calls[0].strNumber, QStringLiteral("5550100#2"));
    QCOMPARE(desktop.m_calls[0].strCalledParty, QStringLiteral("Bo"));
}

void TestDialMail::prefixStored_data() {
    QTest::addColumn<bool>("dial");
    QTest::newRow("Dial stores the prefix") << true;
    QTest::newRow("Cancel stores nothing") << false;
}

void TestDialMail::prefixStored() {
    QFETCH(bool, dial);
    CFormFixture f;
    f.m_app.m_strDialPrefix = "9";
    f.Open({Caller()});
    CRecordingDesktopServices desktop;
    QString number;
    OnModal<CDialPhoneDlg>([&](CDialPhoneDlg* pDialog) {
        auto* pCheck = pDialog->findChild<QCheckBox*>("checkUsePrefix");
        auto* pPrefix = pDialog->findChild<QLineEdit*>("editPrefix");
        // A new prefix typed, then the box unchecked: the number goes without it.
        Click(pCheck);
        pPrefix->selectAll();
        QTest::keyClicks(pPrefix, "8,");
        Click(pCheck);
        number = NumberText(pDialog);
        Click(pDialog->findChild<QPushButton*>(dial ? "btnDial" : "btnCancel"));
    });
    f.Click("btnDial");
    QCOMPARE(number, QStringLiteral("5551234567"));
    QCOMPARE(f.m_app.m_strDialPrefix, dial ? QStringLiteral("8,") : QStringLiteral("9"));
    QCOMPARE(desktop.m_calls.size(), dial ? 1 : 0);
}

void TestDialMail::noDigitsNoDialog() {
    CFormFixture f;
    f.Open({Caller("n/a")});
    CRecordingDesktopServices desktop;
    // The button is enabled (the field is not empty), yet nothing happens.
    QVERIFY(f.Button("btnDial")->isEnabled());
    bool bDialog = false;
    QTimer::singleShot(0, [&bDialog] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            bDialog = true;
            pModal->close();
        }
    });
    f.Click("btnDial");
    QVERIFY(!bDialog);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(desktop.m_calls.isEmpty());
    QVERIFY(f.m_prompt.m_texts.isEmpty());
}

void TestDialMail::internationalNumberDialled() {
    CFormFixture f;
    f.Open({Caller("+49 30 1234567 (home)")});
    CRecordingDesktopServices desktop;
    QString offered;
    OnModal<CDialPhoneDlg>([&](CDialPhoneDlg* pDialog) {
        offered = pDialog->findChild<QListWidget*>("listNumbers")->item(0)->text();
        Click(pDialog->findChild<QPushButton*>("btnDial"));
    });
    f.Click("btnDial");
    QCOMPARE(offered, QStringLiteral("+49301234567"));
    QCOMPARE(desktop.m_calls.size(), 1);
    QCOMPARE(desktop.m_calls[0].strNumber, QStringLiteral("+49301234567"));
}

void TestDialMail::callFailures_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("placed") << 0 << QString();
    QTest::newRow("-2") << -2
                        << "No recipient application is available to handle the request. The "
                           "user should start the recipient application and try again.";
    QTest::newRow("-3") << -3
                        << "A recipient application is active, but the request queue is full or "
                           "there is insufficient memory to expand the queue. The application "
                           "can try again later.";
    QTest::newRow("-4") << -4
                        << "The pointer to the destination address is not valid, is NULL, or the "
                           "destination address string is too long.";
    QTest::newRow("-16") << -16 << "The request failed for unspecified reasons";
    QTest::newRow("-18") << -18
                         << "The pointer does not reference a valid memory location. One or "
                            "more of the pointers lpszDestAddress, lpszAppName, lpszCalledParty, "
                            "or lpszComment have been specified but are invalid.";
    QTest::newRow("other code passes silently") << -7 << QString();
}

void TestDialMail::callFailures() {
    QFETCH(int, code);
    QFETCH(QString, message);
    CFormFixture f;
    f.Open({Caller()});
    CRecordingDesktopServices desktop;
    desktop.m_nCallResult = code;
    OnModal<CDialPhoneDlg>(
        [](CDialPhoneDlg* pDialog) { Click(pDialog->findChild<QPushButton*>("btnDial")); });
    f.Click("btnDial");
    QCOMPARE(desktop.m_calls.size(), 1);
    QCOMPARE(f.m_prompt.m_texts, message.isEmpty() ? QStringList() : QStringList{message});
}

void TestDialMail::mailRecipientAsTyped() {
    CFormFixture f;
    CPerson ann = CFormFixture::Person("Ann");
    ann.m_strEmail = "ann@example";
    f.Open({ann});
    CRecordingDesktopServices desktop;
    // Typed at the end of the shown address, not committed.
    QLineEdit* pEmail = f.Child<QLineEdit>("editEmail");
    pEmail->setFocus();
    QTest::keyClick(pEmail, Qt::Key_End);
    QTest::keyClicks(pEmail, ".org, Ann <x>");
    f.Click("btnEmail");
    QCOMPARE(desktop.m_mailRecipients, QStringList{"ann@example.org, Ann <x>"});
    // The edit is not committed by sending.
    QCOMPARE(f.m_doc.m_personList[0]->m_strEmail, QByteArray("ann@example"));
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
    // An empty field: the button and so the command are off.
    f.Erase("editEmail");
    QVERIFY(!f.Button("btnEmail")->isEnabled());
}

void TestDialMail::mailResults_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("start");
    QTest::newRow("sent") << int(IDesktopServices::MailSent) << QString();
    QTest::newRow("cancelled") << int(IDesktopServices::MailCancelled) << QString();
    QTest::newRow("no client") << int(IDesktopServices::MailNoClient)
                               << "The mail system could not be started";
    QTest::newRow("client not valid") << int(IDesktopServices::MailClientInvalid)
                                      << "The mail program set up on this desktop is not valid";
    QTest::newRow("failed") << int(IDesktopServices::MailFailed) << "Sending the message failed.";
}

void TestDialMail::mailResults() {
    QFETCH(int, result);
    QFETCH(QString, start);
    CFormFixture f;
    CPerson ann = CFormFixture::Person("Ann");
    ann.m_strEmail = "ann@example.org";
    f.Open({ann});
    CRecordingDesktopServices desktop;
    desktop.m_nMailResult = IDesktopServices::MailResult(result);
    f.Click("btnEmail");
    QCOMPARE(desktop.m_mailRecipients.size(), 1);
    if (start.isEmpty()) {
        QVERIFY(f.m_prompt.m_texts.isEmpty());
    } else {
        QCOMPARE(f.m_prompt.m_texts.size(), 1);
        QVERIFY2(f.m_prompt.m_texts[0].startsWith(start), qPrintable(f.m_prompt.m_texts[0]));
    }
}

void TestDialMail::importStarts_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("started") << int(IDesktopServices::kStarted) << QString();
    QTest::newRow("out of resources") << 0 << "System is out of memory or resources";
    QTest::newRow("not found") << 2
                               << "File not found.  Make sure that the file \"import\" is in the "
                                  "same directory as the Velloby.";
    QTest::newRow("other failure") << 3 << "An unknown error occurred.";
    QTest::newRow("another code") << 11 << "An unknown error occurred.";
}

void TestDialMail::importStarts() {
    QFETCH(int, result);
    QFETCH(QString, message);
    CFormFixture f;
    f.Open({});
    CRecordingDesktopServices desktop;
    desktop.m_nStartResult = result;
    f.m_pView->OnImport();
    // Never a bare name that PATH would resolve: the program beside this one.
    QCOMPARE(desktop.m_starts.size(), 1);
    QCOMPARE(desktop.m_starts[0].strProgram,
             QCoreApplication::applicationDirPath() + QStringLiteral("/import"));
    QVERIFY(desktop.m_starts[0].arguments.isEmpty());
    QCOMPARE(f.m_prompt.m_texts, message.isEmpty() ? QStringList() : QStringList{message});
}

void TestDialMail::menuCommands() {
    CFormFixture f;
    f.Open({});
    QHash<int, QAction*> actions;
    QObject owner;
    for (int id : {CommandId::FileImport, CommandId::FileFormattedReport, CommandId::FilePrint,
                   CommandId::FilePrintPreview, CommandId::FilePrintSetup, CommandId::FileSendMail,
                   CommandId::ActionPlaceCall}) {
        actions.insert(id, new QAction(&owner));
        actions[id]->setEnabled(false);
    }
    f.m_pView->ConnectCommands(actions);
    // Report, printing and import are always there; mail and dial follow their buttons.
    for (int id : {CommandId::FileImport, CommandId::FileFormattedReport, CommandId::FilePrint,
                   CommandId::FilePrintPreview, CommandId::FilePrintSetup})
        QVERIFY2(actions[id]->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!actions[CommandId::FileSendMail]->isEnabled());
    QVERIFY(!actions[CommandId::ActionPlaceCall]->isEnabled());
    f.Type("editPhone", "555");
    f.Type("editEmail", "a@b");
    QVERIFY(actions[CommandId::FileSendMail]->isEnabled());
    QVERIFY(actions[CommandId::ActionPlaceCall]->isEnabled());

    CRecordingDesktopServices desktop;
    actions[CommandId::FileImport]->trigger();
    QCOMPARE(desktop.m_starts.size(), 1);
    actions[CommandId::FileSendMail]->trigger();
    QCOMPARE(desktop.m_mailRecipients, QStringList{"a@b"});
}

void TestDialMail::dialogTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    // Only "&Dial" has a keyboard mnemonic.
    const std::pair<const char*, const char*> rows[] = {
        {"labelStep1", "1."},
        {"labelSelect", "Please select the number to dial"},
        {"checkUsePrefix", "Additional numbers to obtain outside line"},
        {"labelStep2", "2."},
        {"labelAdjust", "Make any adjustments to the phone number"},
        {"labelStep3", "3."},
        {"labelPlace", "Click here to place the call"},
        {"btnDial", "&Dial"},
        {"btnCancel", "Cancel"},
    };
    for (const auto& [name, text] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
}

void TestDialMail::dialogTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    CDialPhoneDlg dlg;
    QWidget* pControl = dlg.findChild<QWidget*>(name);
    QVERIFY(pControl);
    if (auto* pLabel = qobject_cast<QLabel*>(pControl)) {
        QCOMPARE(pLabel->text(), text);
    } else {
        auto* pButton = qobject_cast<QAbstractButton*>(pControl);
        QVERIFY(pButton);
        QCOMPARE(pButton->text(), text);
    }
}

QTEST_MAIN(TestDialMail)
#include "TestDialMail.moc"
