#pragma once

#include "IDesktopServices.h"

#include <QList>

// Desktop services for tests: records what would have been sent and returns the results the
// test sets. It puts itself in place for its lifetime.
class CRecordingDesktopServices : public IDesktopServices {
public:
    struct Call {
        QString strNumber, strAppName, strCalledParty, strComment;
    };
    struct Start {
        QString strProgram;
        QStringList arguments;
    };

    CRecordingDesktopServices() { IDesktopServices::SetInstance(this); }
    ~CRecordingDesktopServices() override { IDesktopServices::SetInstance(nullptr); }

    MailResult SendMail(QWidget*, const QString& recipient) override {
        m_mailRecipients.append(recipient);
        return m_nMailResult;
    }
    int MakeCall(const QString& number, const QString& appName, const QString& calledParty,
                 const QString& comment) override {
        m_calls.append({number, appName, calledParty, comment});
        return m_nCallResult;
    }
    int StartProgram(const QString& program, const QStringList& arguments) override {
        m_starts.append({program, arguments});
        return m_nStartResult;
    }

    MailResult m_nMailResult = MailSent;
    int m_nCallResult = kCallPlaced;
    int m_nStartResult = kStarted;
    QStringList m_mailRecipients;
    QList<Call> m_calls;
    QList<Start> m_starts;
};
