#pragma once

#include <QByteArray>
#include <QList>
#include <vector>

class CPerson;

// Finds the sets of entries that probably stand for the same person: names equal once folded
// (CNameFolder), the same e-mail address with case ignored, or the same phone number, which is
// the last 8 digits of a number of 8 digits or more (every line of the Phone field counts).
// Empty names, addresses and numbers never match one another. Entries linked through any chain
// of such matches form one set. Every key goes into a hash table once, so the work grows with
// the number of entries, never with the number of pairs.
class CDuplicateFinder {
public:
    // What two entries of a set share.
    enum Reason { SameName = 1, SameEmail = 2, SamePhone = 4 };

    struct CSet {
        // Indexes into the list searched, ascending (so in document order).
        std::vector<int> m_listMembers;
        // Or'ed Reason values.
        int m_nReasons = 0;
        // A value shared for each reason found, as the first entry sharing it stores it: the
        // name, the e-mail address, the 8 digits of a number.
        QByteArray m_strName;
        QByteArray m_strEmail;
        QByteArray m_strPhone;
    };

    // The sets among `people`, ordered by their first member.
    static std::vector<CSet> Find(const std::vector<const CPerson*>& people);

    // The phone keys of a Phone field: the last 8 digits of every line holding 8 or more.
    static QList<QByteArray> PhoneKeys(const QByteArray& phone);
    // The e-mail key: the address without surrounding blanks, in lower case; empty for none.
    static QByteArray EmailKey(const QByteArray& email);
    // "Same name", "Same e-mail" and "Same phone", joined by ", ", as the set's reasons read.
    static QString ReasonText(int nReasons);
};
