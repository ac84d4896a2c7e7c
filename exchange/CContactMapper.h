#pragma once

#include "CContactData.h"

#include <CPerson.h>

// Fits one contact into the nine fields and the groups of an entry:
// - Name: the display name; else the name parts joined with single blanks; else the
//   organisation; else the first e-mail.
// - Address, City, State, ZIP, Country: the preferred (else the first) postal address, with PO box
//   and extended address as further lines of Address; every other address goes to Notes as
//   "Address (label): street, city, region postal code, country".
// - Phone: every number on a line of its own, followed by its label in brackets.
// - E-mail: the preferred (else the first) address; the others to Notes as "E-mail (label): ...".
// - Notes: the contact's own notes, then the other e-mails and addresses, then one "Label: value"
//   line for every other value.
// - Groups: in order, each once, without the memberships every contact of an export carries.
// Line breaks inside fields are stored as CR LF, as the form stores them.
class CContactMapper {
public:
    static CPerson ToPerson(const CContactData& contact);

    // Any line break (CR LF, LF, CR) as CR LF.
    static QByteArray NormaliseBreaks(const QByteArray& text);
    // A date as YYYY-MM-DD when it is one (20010104, 2001-01-04, 4.1.2001, 1/4/2001, with an
    // optional time after it; --0104 without a year gives --01-04); an export default that means
    // "no date" (0.0.00, 0/0/00) gives an empty text; anything else is kept as written.
    static QByteArray FormatDate(const QByteArray& text, bool bMonthFirst = false);
    // A group name as it is kept: "* " prefixes dropped; empty for the memberships every contact
    // of an export carries ("* myContacts", "My Contacts", "Starred in Android").
    static QByteArray GroupName(const QByteArray& name);
    // A label from a label column: trimmed, Google's "* " mark of the primary value dropped
    // (`pPreferred` set when it was there), empty for labels that say nothing (SMTP, EX).
    static QByteArray CleanLabel(QByteArray label, bool* pPreferred = nullptr);
    // Line breaks and runs of blanks around them as ", ", for values that must stay on one line;
    // a text with no line break and no blank or tab at either end is returned as it is.
    static QByteArray OneLine(const QByteArray& text);
};
