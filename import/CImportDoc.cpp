#include "CImportDoc.h"

#include "CArchive.h"
#include "CImportRecord.h"
#include "CNotesLabel.h"
#include "CPerson.h"
#include "CSafeFile.h"

#include <QDateTime>
#include <QLocale>

CImportDoc::CImportDoc()
    : m_fnCurrentTime([] { return static_cast<quint32>(QDateTime::currentSecsSinceEpoch()); }) {}

bool CImportDoc::IsEmptyPerson(const CPerson& person) {
    return person.m_strName.isEmpty() && person.m_strAddress.isEmpty() &&
           person.m_strCity.isEmpty() && person.m_strState.isEmpty() && person.m_strZip.isEmpty() &&
           person.m_strCountry.isEmpty() && person.m_strPhone.isEmpty() &&
           person.m_strNotes.isEmpty() && person.m_strEmail.isEmpty();
}

QString CImportDoc::TooManyRecordsMessage(qsizetype count) {
    return QStringLiteral("The import holds %1 records, but a contact file can hold at most "
                          "65,535. Choose a later start row, or split the file into smaller "
                          "ones.")
        .arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(count)));
}

QString CImportDoc::CheckRecordCount(const CImportRecord& records, int nStartRow) {
    return CheckCount(records.CountWithFields(), nStartRow);
}

QString CImportDoc::CheckCount(qsizetype count, int nStartRow) {
    if (count == 0)
        return QStringLiteral("There is nothing to import: the file has no line with text from "
                              "row %1 on.")
            .arg(qMax(nStartRow, 1));
    if (count > kMaxRecords)
        return TooManyRecordsMessage(count);
    return QString();
}

void CImportDoc::AddRecords(CImportRecord& records) {
    m_personList.clear();
    m_personList.reserve(records.GetCount());
    records.Reset();
    while (records.HasNext()) {
        ImportEntry* pEntry = records.Next();
        if (pEntry->m_pFields.isEmpty() && IsEmptyPerson(*pEntry->m_pPerson))
            continue;
        m_personList.append(pEntry->m_pPerson.get());
    }
}

void CImportDoc::Serialize(CArchive& ar) const {
    if (m_personList.size() > kMaxRecords)
        throw CArchiveException("more records than a contact file can hold");
    ar.WriteDWord(CPerson::kCurrentVersion);
    ar.WriteStringList(m_groupList);
    ar.WriteWord(static_cast<quint16>(m_personList.size()));
    for (CPerson* pPerson : m_personList)
        pPerson->Serialize(ar, CPerson::kCurrentVersion);
    ar.WriteDWord(0);
    ar.WriteString(CNotesLabel::DefaultLabel());
    ar.WriteDWord(m_fnCurrentTime());
}

bool CImportDoc::OnSaveDocument(const QString& path, QString* pError) const {
    if (m_personList.size() > kMaxRecords) {
        if (pError)
            *pError = TooManyRecordsMessage(m_personList.size());
        return false;
    }
    CArchive ar;
    // Room for every text and its length bytes, so the buffer is allocated once.
    qsizetype size = 64;
    for (const CPerson* pPerson : m_personList)
        size += 2 + 9 * 5 + pPerson->m_strName.size() + pPerson->m_strAddress.size() +
                pPerson->m_strCity.size() + pPerson->m_strState.size() + pPerson->m_strZip.size() +
                pPerson->m_strCountry.size() + pPerson->m_strPhone.size() +
                pPerson->m_strNotes.size() + pPerson->m_strEmail.size();
    ar.Reserve(size);
    Serialize(ar);
    // Through a temporary file that is synced and renamed over the target: a full disk or a
    // failed write leaves the old file as it was and is reported.
    return CSafeFile::Write(path, ar.Buffer(), pError);
}
