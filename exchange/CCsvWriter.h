#pragma once

#include <CPerson.h>

#include <QByteArray>
#include <vector>

// Writes entries as UTF-8 CSV (RFC 4180 quoting, CRLF) under the header row
// Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups; the groups in one
// cell (CGroupsField).
// CContactReader reads such a file back by its header.
class CCsvWriter {
public:
    static QByteArray Write(const std::vector<const CPerson*>& people);
};
