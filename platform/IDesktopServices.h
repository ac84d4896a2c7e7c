#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the contact manager hands to the desktop: mail, phone calls and starting programs.
// Tests put a recording double in place of the real one.
class IDesktopServices {
public:
    // The outcome of handing a message to the mail client.
    enum MailResult {
        MailSent = 0,      // the mail client took the message
        MailCancelled = 1, // the user abandoned it
        MailNoClient = 2,  // no mail client could be reached
        MailFailed = 3,    // the client reported a failure
        MailClientInvalid = 4 // a mail client is set up but cannot take a message
    };
    // Telephony results: 0 for a call handed over, or one of the failure codes below.
    static constexpr int kCallPlaced = 0;
    static constexpr int kCallNoHandler = -2;
    static constexpr int kCallQueueFull = -3;
    static constexpr int kCallBadAddress = -4;
    static constexpr int kCallFailed = -16;
    static constexpr int kCallBadPointer = -18;
    // Program start results: above 31 means started; 0 out of resources; 2 file not found;
    // anything else another failure.
    static constexpr int kStarted = 32;
    static constexpr int kStartNoResources = 0;
    static constexpr int kStartNotFound = 2;
    static constexpr int kStartFailed = 3;

    virtual ~IDesktopServices() = default;
    // Opens a new message to `recipient` (no subject, no body) in the user's mail client.
    virtual MailResult SendMail(QWidget* owner, const QString& recipient) = 0;
    // Asks the desktop to call `number` for `calledParty`.
    virtual int MakeCall(const QString& number, const QString& appName, const QString& calledParty,
                         const QString& comment) = 0;
    // Starts `program` with `arguments` without waiting for it.
    virtual int StartProgram(const QString& program, const QStringList& arguments) = 0;

    static IDesktopServices& Instance();
    // Puts `services` in place (not owned); null returns to the real desktop.
    static void SetInstance(IDesktopServices* services);
};
