#pragma once

#include "CHeaderMap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <string>
#include <vector>

// Turns one CSV row straight into the nine texts of an entry, without building a contact and
// an entry on the way, for the rows that are common: every value on one line with nothing to
// trim, one value a cell, no groups, and only columns of the kinds handled here (names, company,
// department, title, nickname, e-mail, phone, street, city, state, ZIP, country, notes, web
// pages, birthday, anniversary and the columns that become "Label: value" lines). Any other row
// is left to the general reading (Build says false), and every row Build takes gives exactly
// the entry the general reading gives: both use the same rules (CHeaderMap's placeholders,
// CContactMapper's labels and dates), and for a value on one line with nothing to trim the
// general reading's line-break and blank clean-ups change nothing.
class CCsvQuickRow {
public:
    // The texts of an entry in the order a contact file stores them.
    enum ETexts { Name, Address, City, State, Zip, Country, Phone, Notes, Email, Count };

    explicit CCsvQuickRow(const CHeaderMap& map);

    // Fills `pTexts[0..Count-1]` from the `count` cells of one row at `pCells`; false when the
    // row needs the general reading. The texts point into the cells' bytes and into this
    // object: good until the next call, while the cells' bytes stay as they are. `bBreaks`
    // false: the caller knows that no cell holds a line break.
    bool Build(const QByteArrayView* pCells, qsizetype count, QByteArrayView* pTexts,
               bool bBreaks = true);

private:
    using EKind = CHeaderMap::EKind;
    struct SColumn {
        EKind kind = EKind::Ignore;
        int nRank = 0;          // the column's place among the slots of its kind, in order
        QByteArray strLabel;    // phones: the label shown after the number; others: "Label"
        QByteArray strAddress;  // address columns: "Address (label): " for Notes
        bool bHasLabel = false; // the column gives its slot a label
        bool bNickname = false; // the value's label is "Nickname"
        bool bQuick = true;     // a kind this class handles
        qsizetype nHeaderSize = 0;
        bool bOwnPlaceholders = false; // values other than the header's name mean "none"
    };
    struct SValue {
        int nRank;
        int nColumn;
        QByteArrayView value;
    };
    struct SAddress {
        bool bUsed = false;
        int nLabelColumn = -1;
        QByteArrayView streets[4];
        int nStreets = 0;
        QByteArrayView city, region, zip, country;
        // As new; the street lines past nStreets are never read.
        void Clear() {
            bUsed = false;
            nLabelColumn = -1;
            nStreets = 0;
            city = region = zip = country = {};
        }
    };

    void AppendAddressLine(std::string& out, const SAddress& address) const;

    const CHeaderMap& m_map;
    std::vector<SColumn> m_columns;
    // Per row: values gathered by kind, reused from row to row.
    // Values of one row: a column gives at most one, so room is made once for every column.
    struct SValues {
        std::vector<SValue> items;
        size_t n = 0;
        void clear() { n = 0; }
        void push_back(const SValue& value) { items[n++] = value; }
        bool empty() const { return n == 0; }
        size_t size() const { return n; }
        const SValue& front() const { return items[0]; }
        const SValue& operator[](size_t k) const { return items[k]; }
        SValue* begin() { return items.data(); }
        SValue* end() { return items.data() + n; }
        const SValue* begin() const { return items.data(); }
        const SValue* end() const { return items.data() + n; }
    };
    SValues m_emails;
    SValues m_phones;
    SValues m_others;
    std::vector<int> m_phoneLabel; // per phone slot, the column whose label it has
    std::vector<SAddress> m_addresses;
    std::vector<int> m_usedAddresses;
    std::vector<int> m_usedPhoneSlots;
    QList<QByteArray> m_dates;
    std::string m_strName, m_strAddress, m_strPhone, m_strNotes, m_strExtra;
};
