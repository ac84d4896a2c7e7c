#pragma once

#include "CPerson.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Deterministic, realistic sample entries for benchmarks: the same index always gives the same
// entry on every machine.
class CSampleData {
public:
    // The group names the sample entries use.
    static QList<QByteArray> Groups();
    // Entry number `index`: name, two-line address, city, state, ZIP, country, phones, e-mail,
    // notes on some, and a few groups.
    static CPerson MakePerson(int index);
    // Writes a contact file of `count` sample entries; false if it cannot be written.
    static bool WriteContactFile(const QString& path, int count);
    // Entry number `index` as one tab-separated line: name, street, city, state, ZIP, phone,
    // e-mail.
    static QByteArray TabLine(int index);
};
