#pragma once

#include "CVCardProperty.h"

#include <QByteArray>
#include <string>
#include <vector>

// One vCard: every property between BEGIN and END in file order; VERSION is kept like any other
// property, so a card written back says what it is.
class CVCard {
public:
    std::vector<CVCardProperty> m_properties;

    // The VERSION value ("2.1", "3.0", "4.0"); empty when the card has none.
    QByteArray Version() const;
    // The first property called `name` (upper case), or nullptr.
    const CVCardProperty* Find(const QByteArray& name) const;

    // The card as text: BEGIN:VCARD, every property, END:VCARD; CRLF line ends, lines folded.
    QByteArray ToBytes() const;

    // Appends `line` and CRLF to `out`, folded so that no line is longer than 75 octets; a fold
    // never splits a UTF-8 character and each continuation starts with a blank.
    static void AppendFolded(std::string& out, const char* line, qsizetype size);
    static void AppendFolded(QByteArray& out, const char* line, qsizetype size);
    static void AppendFolded(QByteArray& out, const QByteArray& line) {
        AppendFolded(out, line.constData(), line.size());
    }
};
