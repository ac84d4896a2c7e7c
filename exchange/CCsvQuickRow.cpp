#include "CCsvQuickRow.h"

#include "CContactMapper.h"

#include <algorithm>
#include <map>

namespace {

// A blank the general reading trims.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A value on one line with nothing around it to trim: the general reading keeps it as it is.
// `bBreaks` false: the value is known to hold no line break.
bool IsPlain(QByteArrayView value, bool bBreaks) {
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    if (value.isEmpty() || space(value.front()) || space(value.back()))
        return false;
    if (bBreaks)
        for (char c : value)
            if (c == '\n' || c == '\r')
                return false;
    return true;
}

void Append(std::string& out, QByteArrayView text) {
    out.append(text.data(), size_t(text.size()));
}

// Joins lines with the line break entries store.
void AppendLine(std::string& out, QByteArrayView line) {
    if (!out.empty())
        out += "\r\n";
    Append(out, line);
}

QByteArrayView View(const std::string& text) {
    return QByteArrayView(text.data(), qsizetype(text.size()));
}

// The ranks of the slots `columns` use for one kind of value, in the order of their numbers.
// Returns how many slots there are.
template <typename IsKind> int Rank(const CHeaderMap& map, std::vector<int>& ranks, IsKind isKind) {
    std::map<int, int> numbers;
    for (const CHeaderMap::Column& column : map.m_columns)
        if (isKind(column.kind))
            numbers.emplace(column.nSlot, 0);
    int rank = 0;
    for (auto& [slot, value] : numbers)
        value = rank++;
    for (size_t i = 0; i < map.m_columns.size(); ++i)
        if (isKind(map.m_columns[i].kind))
            ranks[i] = numbers[map.m_columns[i].nSlot];
    return rank;
}

// Values of the same slot stay in the order of their columns. A row has a handful, mostly in
// order already, so an insertion sort does it without any memory of its own; a row of many
// columns gets a stable sort that stays quick in any order.
template <typename T> void SortByRank(T* pBegin, T* pEnd) {
    if (pEnd - pBegin > 32) {
        std::stable_sort(pBegin, pEnd, [](const T& a, const T& b) { return a.nRank < b.nRank; });
        return;
    }
    for (T* p = pBegin + (pBegin != pEnd); p < pEnd; ++p) {
        const T value = *p;
        T* q = p;
        for (; q > pBegin && q[-1].nRank > value.nRank; --q)
            *q = q[-1];
        *q = value;
    }
}

bool IsAddressPart(CHeaderMap::EKind kind) {
    using EKind = CHeaderMap::EKind;
    return kind == EKind::Street || kind == EKind::Street2 || kind == EKind::Street3 ||
           kind == EKind::City || kind == EKind::Region || kind == EKind::PostalCode ||
           kind == EKind::Country || kind == EKind::PoBox || kind == EKind::Extended ||
           kind == EKind::AddressFormatted || kind == EKind::AddressLabel;
}

} // namespace

CCsvQuickRow::CCsvQuickRow(const CHeaderMap& map) : m_map(map) {
    const size_t n = map.m_columns.size();
    m_columns.resize(n);
    std::vector<int> ranks(n, 0);
    // Each column's place among the slots of its kind: phones, addresses, e-mails.
    const auto isPhone = [](EKind kind) {
        return kind == EKind::Phone || kind == EKind::PhoneLabel;
    };
    const auto isEmail = [](EKind kind) {
        return kind == EKind::Email || kind == EKind::EmailLabel;
    };
    const int phoneSlots = Rank(map, ranks, isPhone);
    for (size_t i = 0; i < n; ++i)
        if (isPhone(map.m_columns[i].kind))
            m_columns[i].nRank = ranks[i];
    const int addressSlots = Rank(map, ranks, IsAddressPart);
    for (size_t i = 0; i < n; ++i)
        if (IsAddressPart(map.m_columns[i].kind))
            m_columns[i].nRank = ranks[i];
    Rank(map, ranks, isEmail);
    for (size_t i = 0; i < n; ++i)
        if (isEmail(map.m_columns[i].kind))
            m_columns[i].nRank = ranks[i];

    for (size_t i = 0; i < n; ++i) {
        const CHeaderMap::Column& column = map.m_columns[i];
        SColumn& quick = m_columns[i];
        quick.kind = column.kind;
        quick.nHeaderSize = column.strHeader.size();
        quick.bOwnPlaceholders = column.kind == EKind::Other || column.kind == EKind::Unknown;
        switch (column.kind) {
        case EKind::Phone:
            quick.bHasLabel = !column.strLabel.isEmpty();
            quick.strLabel = CContactMapper::OneLine(CContactMapper::CleanLabel(column.strLabel));
            break;
        case EKind::Street:
        case EKind::Street2:
        case EKind::Street3:
        case EKind::City:
        case EKind::Region:
        case EKind::PostalCode:
        case EKind::Country: {
            quick.bHasLabel = !column.strLabel.isEmpty();
            const QByteArray shown = CContactMapper::OneLine(column.strLabel);
            quick.strAddress =
                shown.isEmpty() ? QByteArray("Address: ") : "Address (" + shown + "): ";
            break;
        }
        case EKind::Website:
            // Numbered web pages pair with a label column: the general reading's.
            quick.bQuick = column.nSlot >= 5000;
            quick.strLabel = column.strLabel;
            break;
        case EKind::Nickname:
            quick.strLabel = "Nickname";
            break;
        case EKind::Department:
            quick.strLabel = "Department";
            break;
        case EKind::JobTitle:
            quick.strLabel = "Title";
            break;
        case EKind::Birthday:
            quick.strLabel = "Birthday";
            break;
        case EKind::Anniversary:
            quick.strLabel = "Anniversary";
            break;
        case EKind::Other:
        case EKind::Unknown:
            quick.strLabel = column.strHeader;
            break;
        case EKind::FullName:
        case EKind::Given:
        case EKind::Middle:
        case EKind::Family:
        case EKind::Prefix:
        case EKind::Suffix:
        case EKind::Organization:
        case EKind::Email:
        case EKind::Notes:
        case EKind::Ignore:
            break;
        default:
            quick.bQuick = false;
            break;
        }
        quick.bNickname = quick.strLabel == "Nickname";
        if (quick.kind != EKind::Phone && !quick.strLabel.isEmpty()) {
            // The label as a line of Notes shows it: "Label: value", "Other" for none.
            const QByteArray shown = CContactMapper::OneLine(quick.strLabel);
            quick.strLabel = (shown.isEmpty() ? QByteArray("Other") : shown) + ": ";
        } else if (quick.kind == EKind::Other || quick.kind == EKind::Unknown ||
                   quick.kind == EKind::Website) {
            quick.strLabel = "Other: ";
        }
    }
    for (SValues* pValues : {&m_emails, &m_phones, &m_others})
        pValues->items.resize(n);
    m_phoneLabel.assign(size_t(phoneSlots), -1);
    m_addresses.resize(size_t(addressSlots));
}

void CCsvQuickRow::AppendAddressLine(std::string& out, const SAddress& address) const {
    // Street lines, city, "region postal code", country, joined by ", ".
    bool bFirst = true;
    const auto part = [&](QByteArrayView text) {
        if (!bFirst)
            out += ", ";
        bFirst = false;
        Append(out, text);
    };
    for (int k = 0; k < address.nStreets; ++k)
        part(address.streets[k]);
    if (!address.city.isEmpty())
        part(address.city);
    if (!address.region.isEmpty() || !address.zip.isEmpty()) {
        if (!bFirst)
            out += ", ";
        bFirst = false;
        Append(out, address.region);
        if (!address.region.isEmpty() && !address.zip.isEmpty())
            out += ' ';
        Append(out, address.zip);
    }
    if (!address.country.isEmpty())
        part(address.country);
}

bool CCsvQuickRow::Build(const QByteArrayView* pCells, qsizetype count, QByteArrayView* pTexts,
                         bool bBreaks) {
    m_emails.clear();
    m_phones.clear();
    m_others.clear();
    for (int slot : m_usedAddresses)
        m_addresses[size_t(slot)].Clear();
    m_usedAddresses.clear();
    for (int slot : m_usedPhoneSlots)
        m_phoneLabel[size_t(slot)] = -1;
    m_usedPhoneSlots.clear();
    qsizetype dates = 0;
    QByteArrayView full, given, middle, family, prefix, suffix, organization;
    QByteArrayView notes[4];
    int nNotes = 0;

    const qsizetype n = std::min<qsizetype>(count, qsizetype(m_columns.size()));
    for (qsizetype i = 0; i < n; ++i) {
        const SColumn& column = m_columns[size_t(i)];
        if (column.kind == EKind::Ignore)
            continue;
        const QByteArrayView value = pCells[i];
        // An empty cell is no value, as below, only sooner; and a value can only be a
        // placeholder when it has the header's length, blanks around it, or is of a kind
        // with placeholders of its own.
        if (value.isEmpty())
            continue;
        if ((column.bOwnPlaceholders || value.size() == column.nHeaderSize ||
             IsSpace(value.front()) || IsSpace(value.back())) &&
            CHeaderMap::IsPlaceholder(value, m_map.m_columns[size_t(i)]))
            continue;
        if (!column.bQuick || !IsPlain(value, bBreaks))
            return false;
        const int nColumn = int(i);
        switch (column.kind) {
        case EKind::FullName:
            full = value;
            break;
        case EKind::Given:
            given = value;
            break;
        case EKind::Middle:
            middle = value;
            break;
        case EKind::Family:
            family = value;
            break;
        case EKind::Prefix:
            prefix = value;
            break;
        case EKind::Suffix:
            suffix = value;
            break;
        case EKind::Organization:
            organization = value;
            break;
        case EKind::Notes:
            if (nNotes == int(std::size(notes)))
                return false;
            notes[nNotes++] = value;
            break;
        case EKind::Email:
            if (CHeaderMap::HoldsSeveral(value))
                return false;
            m_emails.push_back({column.nRank, nColumn, value});
            break;
        case EKind::Phone:
            if (CHeaderMap::HoldsSeveral(value))
                return false;
            m_phones.push_back({column.nRank, nColumn, value});
            if (column.bHasLabel) {
                int& label = m_phoneLabel[size_t(column.nRank)];
                if (label < 0)
                    m_usedPhoneSlots.push_back(column.nRank);
                label = nColumn;
            }
            break;
        case EKind::Street:
        case EKind::Street2:
        case EKind::Street3:
        case EKind::City:
        case EKind::Region:
        case EKind::PostalCode:
        case EKind::Country: {
            SAddress& address = m_addresses[size_t(column.nRank)];
            if (!address.bUsed) {
                address.bUsed = true;
                m_usedAddresses.push_back(column.nRank);
            }
            if (address.nLabelColumn < 0 && column.bHasLabel)
                address.nLabelColumn = nColumn;
            if (column.kind == EKind::City) {
                address.city = value;
            } else if (column.kind == EKind::Region) {
                address.region = value;
            } else if (column.kind == EKind::PostalCode) {
                address.zip = value;
            } else if (column.kind == EKind::Country) {
                address.country = value;
            } else {
                if (address.nStreets == int(std::size(address.streets)))
                    return false;
                address.streets[address.nStreets++] = value;
            }
            break;
        }
        case EKind::Birthday:
        case EKind::Anniversary: {
            if (dates == m_dates.size())
                m_dates.append(QByteArray());
            m_dates[dates] = CContactMapper::FormatDate(
                QByteArray::fromRawData(value.data(), value.size()), true);
            const QByteArray& date = m_dates[dates++];
            // A date that means "none" gives no line.
            if (!date.isEmpty())
                m_others.push_back({0, nColumn, date});
            break;
        }
        case EKind::Website:
            if (CHeaderMap::HoldsSeveral(value))
                return false;
            m_others.push_back({0, nColumn, value});
            break;
        default: // Nickname, Department, JobTitle, Other, Unknown
            m_others.push_back({0, nColumn, value});
            break;
        }
    }

    // Windows Live Mail fills its Name column with the nickname; the name parts say more.
    if (!full.isEmpty() && (!given.isEmpty() || !family.isEmpty())) {
        for (const SValue& other : m_others) {
            if (m_columns[size_t(other.nColumn)].bNickname && other.value == full) {
                full = {};
                break;
            }
        }
    }
    SortByRank(m_emails.begin(), m_emails.end());
    SortByRank(m_phones.begin(), m_phones.end());
    std::sort(m_usedAddresses.begin(), m_usedAddresses.end());

    // Address: the first address; the others go to Notes.
    for (int k = 0; k < Count; ++k)
        pTexts[k] = {};
    if (!m_usedAddresses.empty()) {
        const SAddress& address = m_addresses[size_t(m_usedAddresses.front())];
        if (address.nStreets == 1) {
            pTexts[Address] = address.streets[0];
        } else {
            m_strAddress.clear();
            for (int k = 0; k < address.nStreets; ++k)
                AppendLine(m_strAddress, address.streets[k]);
            pTexts[Address] = View(m_strAddress);
        }
        pTexts[City] = address.city;
        pTexts[State] = address.region;
        pTexts[Zip] = address.zip;
        pTexts[Country] = address.country;
    }

    // Phone: one number a line, each followed by its slot's label.
    m_strPhone.clear();
    for (const SValue& phone : m_phones) {
        if (!m_strPhone.empty())
            m_strPhone += "\r\n";
        Append(m_strPhone, phone.value);
        const int labelColumn = m_phoneLabel[size_t(phone.nRank)];
        if (labelColumn >= 0) {
            const QByteArray& label = m_columns[size_t(labelColumn)].strLabel;
            if (!label.isEmpty()) {
                m_strPhone += " (";
                Append(m_strPhone, label);
                m_strPhone += ')';
            }
        }
    }
    pTexts[Phone] = View(m_strPhone);

    if (!m_emails.empty())
        pTexts[Email] = m_emails.front().value;

    // Name: the full name; else the name parts; else the company; else the first e-mail.
    if (!full.isEmpty()) {
        pTexts[Name] = full;
    } else {
        m_strName.clear();
        for (QByteArrayView part : {prefix, given, middle, family, suffix}) {
            if (part.isEmpty())
                continue;
            if (!m_strName.empty())
                m_strName += ' ';
            Append(m_strName, part);
        }
        if (!m_strName.empty())
            pTexts[Name] = View(m_strName);
        else if (!organization.isEmpty())
            pTexts[Name] = organization;
        else if (!m_emails.empty())
            pTexts[Name] = m_emails.front().value;
    }

    // Notes: the own notes, then the company, the other e-mails and addresses and every other
    // value, a line each.
    m_strExtra.clear();
    if (!organization.isEmpty() && organization != pTexts[Name]) {
        AppendLine(m_strExtra, "Organization: ");
        Append(m_strExtra, organization);
    }
    for (size_t k = 1; k < m_emails.size(); ++k) {
        AppendLine(m_strExtra, "E-mail: ");
        Append(m_strExtra, m_emails[k].value);
    }
    for (size_t k = 1; k < m_usedAddresses.size(); ++k) {
        const SAddress& address = m_addresses[size_t(m_usedAddresses[k])];
        AppendLine(m_strExtra,
                   address.nLabelColumn >= 0
                       ? QByteArrayView(m_columns[size_t(address.nLabelColumn)].strAddress)
                       : QByteArrayView("Address: "));
        AppendAddressLine(m_strExtra, address);
    }
    for (const SValue& other : m_others) {
        AppendLine(m_strExtra, m_columns[size_t(other.nColumn)].strLabel);
        Append(m_strExtra, other.value);
    }
    if (nNotes == 1 && m_strExtra.empty()) {
        pTexts[Notes] = notes[0];
    } else {
        m_strNotes.clear();
        for (int k = 0; k < nNotes; ++k)
            AppendLine(m_strNotes, notes[k]);
        if (!m_strExtra.empty())
            AppendLine(m_strNotes, View(m_strExtra));
        pTexts[Notes] = View(m_strNotes);
    }
    return true;
}
