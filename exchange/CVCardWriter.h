#pragma once

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

    static QByteArray Write(const std::vector<const CPerson*>& people, Version version = Version::V40);
    // The UID written for `person`: derived from its nine fields and groups.
    static QByteArray Uid(const CPerson& person);
};
