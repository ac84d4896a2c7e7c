#pragma once

#include "CContactReader.h"

#include <QTest>

// The nine fields and the groups of an entry as one table row: fields in their stored order,
// line breaks written as "\r\n", groups joined with "|".
struct CExpected {
    QByteArray name, address, city, state, zip, country, phone, email, notes, groups;
};
Q_DECLARE_METATYPE(CExpected)

inline QByteArray GroupsOf(const CPerson& person) {
    return person.m_groups.join('|');
}

// Compares field by field, so a failure names the field that went wrong.
inline void ComparePerson(const CPerson& person, const CExpected& expected) {
    QCOMPARE(person.m_strName, expected.name);
    QCOMPARE(person.m_strAddress, expected.address);
    QCOMPARE(person.m_strCity, expected.city);
    QCOMPARE(person.m_strState, expected.state);
    QCOMPARE(person.m_strZip, expected.zip);
    QCOMPARE(person.m_strCountry, expected.country);
    QCOMPARE(person.m_strPhone, expected.phone);
    QCOMPARE(person.m_strEmail, expected.email);
    QCOMPARE(person.m_strNotes, expected.notes);
    QCOMPARE(GroupsOf(person), expected.groups);
}

inline CContactReader::Result ReadOk(const QByteArray& bytes,
                                     EContactFormat format = EContactFormat::Auto) {
    CContactReader::Result result;
    QString error;
    const bool bOk = CContactReader::Read(bytes, format, result, &error);
    if (!bOk)
        qWarning("read failed: %s", qPrintable(error));
    return result;
}
