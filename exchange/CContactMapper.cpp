#include "CContactMapper.h"

#include <QSet>
#include <cstring>

namespace {

const QByteArray kBreak = "\r\n";

bool IsBlank(const QByteArray& text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

// Line breaks at the end of a street ("Main St\n") are not a further line.
QByteArray TrimBreaks(QByteArray text) {
    while (!text.isEmpty() && (text.endsWith('\n') || text.endsWith('\r')))
        text.chop(1);
    while (!text.isEmpty() && (text.startsWith('\n') || text.startsWith('\r')))
        text.remove(0, 1);
    return text;
}

// Appends `what` and its label in brackets, when it has one, to `text`.
void AppendWithLabel(QByteArray& text, const QByteArray& what, const QByteArray& label) {
    text += what;
    if (label.isEmpty())
        return;
    const QByteArray shown = CContactMapper::OneLine(label);
    if (shown.isEmpty())
        return;
    text += " (";
    text += shown;
    text += ')';
}

QByteArray WithLabel(const QByteArray& what, const QByteArray& label) {
    const QByteArray shown = CContactMapper::OneLine(label);
    return shown.isEmpty() ? what : what + " (" + shown + ')';
}

QByteArray AddressLine(const CContactData::Address& address) {
    if (IsBlank(address.strStreet) && IsBlank(address.strPoBox) && IsBlank(address.strExtended) &&
        IsBlank(address.strCity) && IsBlank(address.strRegion) && IsBlank(address.strPostalCode) &&
        IsBlank(address.strCountry))
        return CContactMapper::OneLine(address.strFormatted);
    QList<QByteArray> parts;
    for (const QByteArray* part :
         {&address.strStreet, &address.strPoBox, &address.strExtended, &address.strCity})
        if (!IsBlank(*part))
            parts.append(CContactMapper::OneLine(*part));
    const QByteArray regionPostal = (CContactMapper::OneLine(address.strRegion) + ' ' +
                                     CContactMapper::OneLine(address.strPostalCode))
                                        .trimmed();
    if (!regionPostal.isEmpty())
        parts.append(regionPostal);
    if (!IsBlank(address.strCountry))
        parts.append(CContactMapper::OneLine(address.strCountry));
    return parts.join(", ");
}

// Where the preferred entry of `list` stands (else the first that is not empty); -1 for none.
template <typename T, typename Empty> qsizetype Chosen(const std::vector<T>& list, Empty isEmpty) {
    qsizetype first = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (isEmpty(list[i]))
            continue;
        if (list[i].bPreferred)
            return qsizetype(i);
        if (first < 0)
            first = qsizetype(i);
    }
    return first;
}

void AppendLine(QByteArray& text, const QByteArray& line) {
    if (!text.isEmpty())
        text += kBreak;
    text += line;
}

bool IsDigits(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

QByteArray Ymd(int year, int month, int day, int yearDigits) {
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    return QByteArray::number(year).rightJustified(yearDigits, '0') + '-' +
           QByteArray::number(month).rightJustified(2, '0') + '-' +
           QByteArray::number(day).rightJustified(2, '0');
}

} // namespace

bool CContactData::Address::IsEmpty() const {
    return IsBlank(strPoBox) && IsBlank(strExtended) && IsBlank(strStreet) && IsBlank(strCity) &&
           IsBlank(strRegion) && IsBlank(strPostalCode) && IsBlank(strCountry) &&
           IsBlank(strFormatted);
}

QByteArray CContactMapper::NormaliseBreaks(const QByteArray& text) {
    // Most texts have no line break, or only CR LF pairs already: kept as they are.
    {
        const char* p = text.constData();
        const qsizetype n = text.size();
        if (n == 0 || (!std::memchr(p, '\n', size_t(n)) && !std::memchr(p, '\r', size_t(n))))
            return text;
        // Clean when every line feed follows a carriage return and every carriage return
        // comes before a line feed.
        bool bClean = true;
        for (const char* q = p; bClean;) {
            q = static_cast<const char*>(std::memchr(q, '\n', size_t(p + n - q)));
            if (!q)
                break;
            bClean = q > p && q[-1] == '\r';
            ++q;
        }
        for (const char* q = p; bClean;) {
            q = static_cast<const char*>(std::memchr(q, '\r', size_t(p + n - q)));
            if (!q)
                break;
            bClean = q + 1 < p + n && q[1] == '\n';
            ++q;
        }
        if (bClean)
            return text;
    }
    QByteArray out;
    out.reserve(text.size() + 8);
    const char* p = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\r') {
            if (i + 1 < n && p[i + 1] == '\n')
                ++i;
            out += kBreak;
        } else if (p[i] == '\n') {
            out += kBreak;
        } else {
            out.append(p[i]);
        }
    }
    return out;
}

QByteArray CContactMapper::FormatDate(const QByteArray& text, bool bMonthFirst) {
    const QByteArray value = text.trimmed();
    if (value.isEmpty())
        return value;
    // Export defaults that mean "no date".
    bool bAllZero = true;
    for (char c : value)
        if (c != '0' && c != '.' && c != '/' && c != '-')
            bAllZero = false;
    if (bAllZero)
        return {};

    QByteArray date = value;
    const qsizetype t = date.indexOf('T');
    if (t > 0)
        date.truncate(t);
    if (date.startsWith("--")) {
        QByteArray rest = date.mid(2);
        rest.replace("-", "");
        if (rest.size() == 4 && IsDigits(rest))
            return "--" + rest.left(2) + '-' + rest.mid(2);
        return value;
    }
    QByteArray result;
    if (date.size() == 8 && IsDigits(date)) {
        result = Ymd(date.left(4).toInt(), date.mid(4, 2).toInt(), date.mid(6).toInt(), 4);
    } else if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
        const QByteArray y = date.left(4), m = date.mid(5, 2), d = date.mid(8);
        if (IsDigits(y) && IsDigits(m) && IsDigits(d))
            result = Ymd(y.toInt(), m.toInt(), d.toInt(), 4);
    } else {
        const char separator = date.contains('.') ? '.' : date.contains('/') ? '/' : 0;
        const QList<QByteArray> parts = separator ? date.split(separator) : QList<QByteArray>();
        if (parts.size() == 3 && IsDigits(parts[0]) && IsDigits(parts[1]) && IsDigits(parts[2]) &&
            parts[2].size() == 4 && parts[0].size() <= 2 && parts[1].size() <= 2) {
            int day = parts[0].toInt(), month = parts[1].toInt();
            if (separator == '/' && (bMonthFirst || month > 12) && day <= 12)
                std::swap(day, month);
            result = Ymd(parts[2].toInt(), month, day, 4);
        }
    }
    return result.isEmpty() ? value : result;
}

QByteArray CContactMapper::GroupName(const QByteArray& name) {
    QByteArray group = name.trimmed();
    while (group.startsWith('*'))
        group = group.mid(1).trimmed();
    const QByteArray folded = group.toLower();
    if (folded == "mycontacts" || folded == "my contacts" ||
        folded == "system group: my contacts" || folded == "starred in android")
        return {};
    return group;
}

CPerson CContactMapper::ToPerson(const CContactData& contact) {
    CPerson person;
    const bool bExact = contact.bExact;
    // Files of ours keep their line breaks exactly as they were written.
    auto breaks = [bExact](const QByteArray& text) {
        return bExact ? text : NormaliseBreaks(text);
    };

    // Address
    // A file of ours has one address and one e-mail, kept even when they are only blanks.
    const qsizetype chosenAddress =
        bExact
            ? (contact.addresses.empty() ? -1 : 0)
            : Chosen(contact.addresses, [](const CContactData::Address& a) { return a.IsEmpty(); });
    QByteArray extraLines;
    if (chosenAddress >= 0) {
        const CContactData::Address& address = contact.addresses[size_t(chosenAddress)];
        QByteArray text = bExact ? address.strStreet : TrimBreaks(address.strStreet);
        if (!bExact) {
            if (!IsBlank(address.strPoBox))
                AppendLine(text, address.strPoBox);
            if (!IsBlank(address.strExtended))
                AppendLine(text, address.strExtended);
        }
        const bool bNoParts = IsBlank(text) && IsBlank(address.strCity) &&
                              IsBlank(address.strRegion) && IsBlank(address.strPostalCode) &&
                              IsBlank(address.strCountry);
        person.m_strAddress = breaks(bNoParts && !bExact ? address.strFormatted : text);
        person.m_strCity = breaks(address.strCity);
        person.m_strState = breaks(address.strRegion);
        person.m_strZip = breaks(address.strPostalCode);
        person.m_strCountry = breaks(address.strCountry);
    }

    // Phone
    QByteArray phones;
    bool bFirstPhone = true;
    for (const CContactData::Value& phone : contact.phones) {
        if (!bExact && IsBlank(phone.strValue))
            continue;
        if (!bFirstPhone)
            phones += kBreak;
        bFirstPhone = false;
        AppendWithLabel(phones, bExact ? phone.strValue : phone.strValue.trimmed(), phone.strLabel);
    }
    person.m_strPhone = breaks(phones);

    // E-mail
    const qsizetype chosenEmail = bExact ? (contact.emails.empty() ? -1 : 0)
                                         : Chosen(contact.emails, [](const CContactData::Value& v) {
                                               return IsBlank(v.strValue);
                                           });
    if (chosenEmail >= 0)
        person.m_strEmail = breaks(bExact ? contact.emails[size_t(chosenEmail)].strValue
                                          : contact.emails[size_t(chosenEmail)].strValue.trimmed());

    // Name
    if (bExact) {
        person.m_strName = contact.strFullName;
    } else if (!IsBlank(contact.strFullName)) {
        person.m_strName = CContactMapper::OneLine(contact.strFullName);
    } else {
        QList<QByteArray> parts;
        for (const QByteArray& part : contact.nameParts)
            if (!IsBlank(part))
                parts.append(CContactMapper::OneLine(part));
        person.m_strName = parts.join(' ');
        if (person.m_strName.isEmpty())
            person.m_strName = CContactMapper::OneLine(contact.strOrganization);
        if (person.m_strName.isEmpty()) {
            for (const CContactData::Value& email : contact.emails) {
                if (!IsBlank(email.strValue)) {
                    person.m_strName = email.strValue.trimmed();
                    break;
                }
            }
        }
    }
    person.m_strName = breaks(person.m_strName);

    // Notes: own notes, then one line for every value that has no field of its own.
    QByteArray notes;
    for (const QByteArray& note : contact.notes) {
        if (bExact) {
            notes = note;
            break;
        }
        if (!IsBlank(note))
            AppendLine(notes, TrimBreaks(note));
    }
    if (!bExact) {
        const QByteArray organization = CContactMapper::OneLine(contact.strOrganization);
        if (!organization.isEmpty() && organization != person.m_strName)
            AppendLine(extraLines, "Organization: " + organization);
        for (size_t i = 0; i < contact.emails.size(); ++i) {
            const CContactData::Value& email = contact.emails[i];
            if (qsizetype(i) == chosenEmail || IsBlank(email.strValue))
                continue;
            AppendLine(extraLines, WithLabel("E-mail", email.strLabel) + ": " +
                                       CContactMapper::OneLine(email.strValue));
        }
        for (size_t i = 0; i < contact.addresses.size(); ++i) {
            const CContactData::Address& address = contact.addresses[i];
            if (qsizetype(i) == chosenAddress || address.IsEmpty())
                continue;
            AppendLine(extraLines,
                       WithLabel("Address", address.strLabel) + ": " + AddressLine(address));
        }
        for (const CContactData::Value& other : contact.others) {
            if (IsBlank(other.strValue))
                continue;
            const QByteArray label = CContactMapper::OneLine(other.strLabel);
            AppendLine(extraLines, (label.isEmpty() ? QByteArray("Other") : label) + ": " +
                                       CContactMapper::OneLine(other.strValue));
        }
        if (!extraLines.isEmpty())
            AppendLine(notes, extraLines);
    }
    person.m_strNotes = breaks(notes);

    // Groups
    // A contact has a handful of groups, so a linear look for repeats is cheapest; a file with
    // thousands on one card gets a set instead.
    QSet<QByteArray> seen;
    const bool bManyGroups = contact.groups.size() > 64;
    for (const QByteArray& group : contact.groups) {
        const QByteArray name = bExact ? group : breaks(GroupName(group));
        if (!bExact) {
            if (name.isEmpty() ||
                (bManyGroups ? seen.contains(name) : person.m_groups.contains(name)))
                continue;
            if (bManyGroups)
                seen.insert(name);
        }
        person.m_groups.append(name);
    }
    return person;
}

QByteArray CContactMapper::OneLine(const QByteArray& text) {
    const qsizetype n = text.size();
    if (n == 0 || (!text.contains('\n') && !text.contains('\r') && text[0] != ' ' &&
                   text[0] != '\t' && text[n - 1] != ' ' && text[n - 1] != '\t'))
        return text;
    QList<QByteArray> parts;
    for (const QByteArray& part : NormaliseBreaks(text).split('\n')) {
        const QByteArray trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            parts.append(trimmed);
    }
    return parts.join(", ");
}

QByteArray CContactMapper::CleanLabel(QByteArray label, bool* pPreferred) {
    label = label.trimmed();
    if (label.startsWith('*')) {
        label = label.mid(1).trimmed();
        if (pPreferred)
            *pPreferred = true;
    }
    if (label.compare("SMTP", Qt::CaseInsensitive) == 0 ||
        label.compare("EX", Qt::CaseInsensitive) == 0)
        return {};
    return label;
}
