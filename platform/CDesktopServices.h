#pragma once

#include "IDesktopServices.h"

// The real desktop: mailto: and tel: addresses opened through the desktop's handlers, programs
// started detached.
class CDesktopServices : public IDesktopServices {
public:
    MailResult SendMail(QWidget* owner, const QString& recipient) override;
    int MakeCall(const QString& number, const QString& appName, const QString& calledParty,
                 const QString& comment) override;
    int StartProgram(const QString& program, const QStringList& arguments) override;
};
