#pragma once

#include <QByteArray>
#include <QList>

// The Groups cell of our own CSV layout: the entry's group names joined with " ::: ", the
// separator Google's exports use between several values too. So that any name comes back
// whole, a run of three or more colons inside a name is written with one colon more; a run of
// exactly three colons with a blank on each side is then always a separator, and a longer run
// is read back with one colon less. Cells written before names were escaped read the same,
// unless a name held four or more colons in a row.
class CGroupsField {
public:
    static QByteArray Join(const QList<QByteArray>& groups);
    static QList<QByteArray> Split(const QByteArray& cell);
};
