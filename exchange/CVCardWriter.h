#pragma once

#include "CVCard.h"

#include <CPerson.h>

#include <QByteArray>
#include <vector>

// Writes entries as vCard text: CRLF line ends, lines folded at 75 octets without splitting a
// UTF-8 character, values escaped. Each entry gives FN, N, ADR, one TEL per phone line (its
// bracketed label as TYPE), EMAIL, NOTE, CATEGORIES and a UID that stays the same for the same
// entry as long as the entry does not change.
class CVCardWriter {
public:
    enum class Version { V30, V40 };

    static QByteArray Write(const std::vector<const CPerson*>& people,
                            Version version = Version::V40);
    // The UID written for `person`: derived from its nine fields and groups.
    static QByteArray Uid(const CPerson& person);

    // `original` written back with the properties an entry maps to (FN, N, ADR, TEL, EMAIL, NOTE,
    // CATEGORIES, and the X-ABLabel lines of their groups) replaced by those of `person`; every
    // other property, its parameters and the card's UID stay as they were. The card keeps its
    // version when it is 3.0 or 4.0, else it becomes `version`.
    static QByteArray Merge(const CVCard& original, const CPerson& person,
                            Version version = Version::V40);

    // The product id our files carry; a file with it is read back exactly as written.
    static const char* const kProductId;
};
