#pragma once

#include <QByteArray>
#include <QList>

class CArchive;

// One entry of a contact file: nine texts and the names of the groups it belongs to. Texts are
// byte strings, kept exactly as given.
class CPerson {
public:
    // The newest record layout; the only one ever written.
    static constexpr int kCurrentVersion = 15;

    CPerson() = default;

    // Stores in the current layout, or loads in the layout of `nVersion` (15, else 11).
    // Loaded texts replace the members; loaded group names are appended to m_groups.
    void Serialize(CArchive& ar, int nVersion);

    // Renames the first group equal to `oldName` (exact bytes); false when there is none.
    bool RenameGroup(const QByteArray& oldName, const QByteArray& newName);

    bool operator==(const CPerson& other) const = default;

    QByteArray m_strName;
    QByteArray m_strAddress;
    QByteArray m_strCity;
    QByteArray m_strState;
    QByteArray m_strZip;
    QByteArray m_strCountry;
    QByteArray m_strPhone;
    QByteArray m_strNotes;
    QByteArray m_strEmail;
    QList<QByteArray> m_groups;
};
