#include "CPasswordDlg.h"

#include "CFixedRandom.h"
#include "IProfileStore.h"
#include "IPrompt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
const QString kAppTitle = QStringLiteral("Velloby");
const QString kSection = QStringLiteral("init");
const QString kKey = QStringLiteral("data1");
// The value read when no password has been created yet.
const QString kUnset = QStringLiteral("unsetkey");

const QString kInvalid = QStringLiteral("Invalid password.");
const QString kConfirmPrompt =
    QStringLiteral("Please confirm your password by reentering it here.");
const QString kCreateQuestion =
    QStringLiteral("There was no password database. Create a new password?");
const QString kEnterPrompt =
    QStringLiteral("This program is password protected.  Please enter your password to continue.");
const QString kNoMatch = QStringLiteral("The passwords you typed did not match.");
const QString kEmpty = QStringLiteral("The password cannot be empty. Please type a password.");

// Filler bytes run from the space (32) to the closing brace (125).
constexpr int kFillerFirst = 32;
constexpr int kFillerCount = 94;
} // namespace

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CPasswordDlg"));
    setWindowTitle(kAppTitle);
    setAccessibleName(QStringLiteral("Velloby password"));
    setModal(true);

    m_labelPrompt = new QLabel(this);
    m_labelPrompt->setObjectName(QStringLiteral("labelPrompt"));
    // Plain text keeps the two blanks after the first full stop of the prompt.
    m_labelPrompt->setTextFormat(Qt::PlainText);
    m_labelPrompt->setWordWrap(true);
    m_labelPrompt->setMinimumWidth(260);

    m_labelPassword = new QLabel(QStringLiteral("&Password:"), this);
    m_labelPassword->setObjectName(QStringLiteral("labelPassword"));
    m_labelPassword->setAccessibleName(QStringLiteral("Password label"));

    m_editPassword = new QLineEdit(this);
    m_editPassword->setObjectName(QStringLiteral("editPassword"));
    m_editPassword->setAccessibleName(QStringLiteral("Password"));
    m_editPassword->setEchoMode(QLineEdit::Password);
    // A character takes at least one byte; the byte limit itself is kept by OnPasswordChanged.
    m_editPassword->setMaxLength(kMaxPasswordBytes);
    m_labelPassword->setBuddy(m_editPassword);

    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnOk->setAccessibleName(QStringLiteral("OK"));
    m_btnOk->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAccessibleName(QStringLiteral("Cancel"));

    auto* fields = new QVBoxLayout;
    fields->addWidget(m_labelPrompt);
    fields->addSpacing(4);
    fields->addWidget(m_labelPassword);
    fields->addWidget(m_editPassword);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    setTabOrder(m_editPassword, m_btnOk);
    setTabOrder(m_btnOk, m_btnCancel);

    connect(m_btnOk, &QPushButton::clicked, this, &CPasswordDlg::OnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &CPasswordDlg::reject);
    connect(m_editPassword, &QLineEdit::textChanged, this, &CPasswordDlg::OnPasswordChanged);

    m_bConfirming = false;
    SetPrompt(kEnterPrompt);
    m_editPassword->setText(m_strPassword);
    m_editPassword->setFocus();
}

bool CPasswordDlg::CheckStartupPassword(QWidget* parent) {
    CPasswordDlg dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

QByteArray CPasswordDlg::ScramblePassword(const QByteArray& entry) {
    const int n = entry.size();
    if (n == 0 || n > kMaxPasswordBytes)
        return {};

    CFixedRandom random(kScrambleSeed);
    // Every step-th position, from the top down, holds a character of the entry (or, just after
    // the last one that fits, the entry's terminating zero); the others hold random filler.
    const int step = kScrambledLength / n;
    QByteArray s(kScrambledLength, '\0');
    int i = 0; // number of the next character position
    for (int j = kScrambledLength - 1; j >= 1; --j) {
        if (j % step != 0) {
            s[j] = static_cast<char>(random.Next() % kFillerCount + kFillerFirst);
            continue;
        }
        if (i < n) {
            // Only the low six bits of a character survive the shift.
            s[j] = static_cast<char>((static_cast<uchar>(entry[i]) << 2) & 0xFF);
        } else if (i > n) {
            // Character positions below the terminator's have no character of their own. They
            // take a printable byte made from the entry, from its first character on, so the
            // result depends on the entry alone and never holds a zero there.
            const uchar ch = static_cast<uchar>(entry[(i - n - 1) % n]);
            s[j] = static_cast<char>(ch % kFillerCount + kFillerFirst);
        } // i == n: the terminator, already zero
        ++i;
    }
    s[0] = 'x';
    // The value is a zero-terminated text: a character of code 0x40, 0x80 or 0xC0 (which
    // shifts to zero) or the terminator ends it early.
    const qsizetype end = s.indexOf('\0');
    if (end >= 0)
        s.truncate(end);
    return s;
}

QString CPasswordDlg::ToProfileText(const QByteArray& scrambled) {
    // Placed characters can be any byte value, so they are not UTF-8. Latin-1 maps each byte to
    // the character of the same code and back, one for one, and the settings file escapes what
    // it cannot write plainly.
    return QString::fromLatin1(scrambled);
}

void CPasswordDlg::reject() {
    if (m_bConfirming) {
        // Back to the first step; the box keeps what was typed.
        m_bConfirming = false;
        SetPrompt(kEnterPrompt);
        m_editPassword->setFocus();
        return;
    }
    QDialog::reject();
}

void CPasswordDlg::closeEvent(QCloseEvent* event) {
    // Closing the window ends the dialog in either step, unlike the Cancel button.
    m_bConfirming = false;
    QDialog::closeEvent(event);
}

void CPasswordDlg::OnOK() {
    m_strPassword = m_editPassword->text();
    const QByteArray entry = m_strPassword.toUtf8();
    const QString scrambled = ToProfileText(ScramblePassword(entry));

    IProfileStore& profile = IProfileStore::Instance();
    const QString stored = profile.GetProfileString(kSection, kKey, kUnset);

    if (stored != kUnset) {
        // An empty entry scrambles to nothing and never matches.
        if (!entry.isEmpty() && scrambled == stored) {
            accept();
            return;
        }
        ShowMessage(kInvalid);
        m_editPassword->selectAll();
        return;
    }

    if (m_bConfirming) {
        if (m_strFirstEntry == m_strPassword) {
            profile.WriteProfileString(kSection, kKey, scrambled);
            accept();
            return;
        }
        m_bConfirming = false;
        m_strPassword = m_strFirstEntry;
        m_strFirstEntry.clear();
        SetPrompt(kEnterPrompt);
        m_editPassword->setText(m_strPassword);
        ShowMessage(kNoMatch);
        return;
    }

    // An empty password is never created: it could not be told from no password at all.
    if (entry.isEmpty()) {
        ShowMessage(kEmpty);
        return;
    }
    if (IPrompt::Ask(this, kCreateQuestion, IPrompt::YesNo) == IPrompt::AnswerYes) {
        m_bConfirming = true;
        m_strFirstEntry = m_strPassword;
        m_strPassword.clear();
        SetPrompt(kConfirmPrompt);
        m_editPassword->clear();
        m_editPassword->setFocus();
        return;
    }
    // Declining leaves nothing stored, so the entry cannot match.
    ShowMessage(kInvalid);
    m_editPassword->selectAll();
}

void CPasswordDlg::OnPasswordChanged(const QString& text) {
    if (text.toUtf8().size() <= kMaxPasswordBytes) {
        m_strAcceptedText = text;
        return;
    }
    // Too long in bytes: undo the change, keeping the cursor where the typing happened.
    const int cursor =
        m_editPassword->cursorPosition() - static_cast<int>(text.size() - m_strAcceptedText.size());
    const QSignalBlocker blocker(m_editPassword);
    m_editPassword->setText(m_strAcceptedText);
    m_editPassword->setCursorPosition(qMax(0, cursor));
    QApplication::beep();
}

void CPasswordDlg::SetPrompt(const QString& text) {
    m_labelPrompt->setText(text);
    m_labelPrompt->setAccessibleName(text);
}

void CPasswordDlg::ShowMessage(const QString& text) {
    IPrompt::Message(this, text, IPrompt::Warning);
    m_editPassword->setFocus();
}
