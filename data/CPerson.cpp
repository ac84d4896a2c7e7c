#include "CPerson.h"

#include "CArchive.h"

void CPerson::Serialize(CArchive& ar, int nVersion) {
    if (ar.IsStoring()) {
        ar.WriteString(m_strName);
        ar.WriteString(m_strAddress);
        ar.WriteString(m_strCity);
        ar.WriteString(m_strState);
        ar.WriteString(m_strZip);
        ar.WriteString(m_strCountry);
        ar.WriteString(m_strPhone);
        ar.WriteString(m_strNotes);
        ar.WriteString(m_strEmail);
        ar.WriteStringList(m_groups);
        return;
    }
    m_strName = ar.ReadString();
    m_strAddress = ar.ReadString();
    m_strCity = ar.ReadSharedString();
    m_strState = ar.ReadSharedString();
    m_strZip = ar.ReadString();
    m_strCountry = ar.ReadSharedString();
    m_strPhone = ar.ReadString();
    m_strNotes = ar.ReadString();
    // The older layout has no e-mail; the member keeps its value.
    if (nVersion == kCurrentVersion)
        m_strEmail = ar.ReadString();
    ar.ReadStringList(m_groups);
}

bool CPerson::RenameGroup(const QByteArray& oldName, const QByteArray& newName) {
    const qsizetype index = m_groups.indexOf(oldName);
    if (index < 0)
        return false;
    m_groups[index] = newName;
    return true;
}
