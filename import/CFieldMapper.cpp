#include "CFieldMapper.h"

#include "CImportRecord.h"

namespace {

// Texts are UTF-8, but positions and lengths are counted in characters as the user sees them:
// every byte that does not continue a multi-byte character starts one.
qsizetype CharCount(QByteArrayView text, qsizetype from, qsizetype to) {
    qsizetype count = 0;
    for (qsizetype i = from; i < to; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    return count;
}

qsizetype CharCount(QByteArrayView text) {
    return CharCount(text, 0, text.size());
}

// The character position of byte index `index`, or -1 for -1.
qsizetype CharPos(QByteArrayView text, qsizetype index) {
    return index < 0 ? -1 : CharCount(text, 0, index);
}

// The start of the character that byte `index` belongs to.
qsizetype CharStart(const QByteArray& text, qsizetype index) {
    while (index > 0 && (static_cast<unsigned char>(text[index]) & 0xC0) == 0x80)
        --index;
    return index;
}

// The end of the character that starts at byte `index`.
qsizetype CharEnd(const QByteArray& text, qsizetype index) {
    ++index;
    while (index < text.size() && (static_cast<unsigned char>(text[index]) & 0xC0) == 0x80)
        ++index;
    return index;
}

// A field with two or more blanks after its first comma holds city, state and ZIP.
struct CommaTail {
    qsizetype nComma = -1;
    qsizetype nFirstBlank = -1;
    qsizetype nLastBlank = -1;
    bool Splits() const { return nFirstBlank >= 0 && nFirstBlank != nLastBlank; }
};

CommaTail FindTail(QByteArrayView text) {
    CommaTail tail;
    tail.nComma = text.indexOf(',');
    if (tail.nComma < 0)
        return tail;
    const qsizetype first = text.indexOf(' ', tail.nComma);
    if (first < 0)
        return tail;
    tail.nFirstBlank = first - tail.nComma;
    tail.nLastBlank = text.lastIndexOf(' ') - tail.nComma;
    return tail;
}

// The parts of a field, as the wizard's texts (which may share the field's bytes) or as views.
QByteArray Part(const QByteArray& text, qsizetype pos, qsizetype length) {
    return text.mid(pos, length);
}
QByteArrayView Part(QByteArrayView text, qsizetype pos, qsizetype length) {
    return text.sliced(pos, length);
}
QByteArray Trimmed(const QByteArray& text) {
    return text.trimmed();
}
QByteArrayView Trimmed(QByteArrayView text) {
    return text.trimmed();
}

// A value is set to one field, or has a field joined to it: on texts, and on views of the
// fields, which the batch import writes without copying them first.
void Assign(QByteArray& value, const QByteArray& part) {
    value = part;
}
void Assign(CFieldMapper::ViewValue& value, QByteArrayView part) {
    value.Set(part);
}
void JoinTo(QByteArray& value, const QByteArray& part) {
    CFieldMapper::Join(value, part);
}
void JoinTo(CFieldMapper::ViewValue& value, QByteArrayView part) {
    value.Join(part);
}

// The positions of the tail are all within the text.
template <typename Field, typename Value>
void SplitAt(const Field& text, const CommaTail& tail, Value& city, Value& state, Value& zip) {
    Assign(city, Part(text, 0, tail.nComma));
    Assign(state,
           Part(text, tail.nComma + tail.nFirstBlank + 1, tail.nLastBlank - tail.nFirstBlank));
    const qsizetype zipFrom = tail.nComma + tail.nLastBlank + 1;
    Assign(zip, Part(text, zipFrom, text.size() - zipFrom));
}

template <typename Field, typename Value>
bool SplitCityStateZipInto(const Field& text, bool bRequireComma, Value& city, Value& state,
                           Value& zip) {
    const CommaTail tail = FindTail(text);
    if (tail.nComma < 0 || (bRequireComma && tail.nComma == 0) || !tail.Splits())
        return false;
    SplitAt(text, tail, city, state, zip);
    return true;
}

// Proposes a target for each of the `n` fields (`targets` holds kName for each on entry) and
// builds the values from them: the same steps for the wizard's texts and the batch's views.
template <typename Field, typename Values>
void AutoMapFields(const Field* fields, int n, bool bOneLine, unsigned* targets, Values& v) {
    using M = CFieldMapper;

    // A line with no fields has nothing to map; its values stay empty.
    if (n > 0) {
        Assign(v.m_strName, fields[0]);

        // Every field from the first to the last phone-like one is a phone number.
        int first = -1;
        int last = -1;
        for (int i = 1; i < n; ++i) {
            if (M::IsPhoneLike(fields[i])) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        if (first >= 0) {
            for (int i = first; i <= last; ++i) {
                targets[i] = M::kPhone;
                JoinTo(v.m_strPhone, fields[i]);
            }
        } else {
            first = n;
        }

        // City, state and ZIP; the address runs from field 1 up to the field before them.
        int a = 0;
        if (bOneLine) {
            for (int i = 1; i < first; ++i) {
                const CommaTail tail = FindTail(fields[i]);
                if (tail.nComma < 0)
                    continue;
                if (tail.Splits()) {
                    targets[i] = M::kCityStateZip;
                    SplitAt(fields[i], tail, v.m_strCity, v.m_strState, v.m_strZip);
                    a = i;
                    break;
                }
                if (CharCount(fields[i], tail.nComma, fields[i].size()) == 2) {
                    Assign(v.m_strState, fields[i]);
                    targets[i] = M::kState;
                } else {
                    Assign(v.m_strCity, fields[i]);
                    targets[i] = M::kCity;
                }
            }
        } else {
            // A short field is a state, and the last one wins; a ZIP is 5 or 10 characters.
            int s = 0;
            for (int i = 1; i < first; ++i) {
                const Field trimmed = Trimmed(fields[i]);
                if (CharCount(trimmed) < 5) {
                    s = i;
                    targets[i] = M::kState;
                    Assign(v.m_strState, trimmed);
                }
            }
            for (int i = s; i < first; ++i) {
                const Field trimmed = Trimmed(fields[i]);
                const qsizetype length = CharCount(trimmed);
                if (length == 5 || length == 10) {
                    Assign(v.m_strZip, trimmed);
                    targets[i] = M::kZip;
                }
            }
            if (s > 2) {
                Assign(v.m_strCity, fields[s - 1]);
                targets[s - 1] = M::kCity;
                a = s - 1;
            } else {
                a = s;
            }
        }
        for (int i = 1; i < a; ++i) {
            targets[i] = M::kAddress;
            JoinTo(v.m_strAddress, fields[i]);
        }

        // Whatever is left is an e-mail address, a country or a note.
        for (int i = 1; i < n; ++i) {
            if (targets[i] != M::kName)
                continue;
            const Field& field = fields[i];
            if (CharPos(field, field.lastIndexOf('.')) >= 4) {
                Assign(v.m_strEmail, field);
                targets[i] = M::kEmail;
            } else if (field.contains("USA") || field.contains("United")) {
                Assign(v.m_strCountry, field);
                targets[i] = M::kCountry;
            } else {
                targets[i] = M::kNotes;
                JoinTo(v.m_strNotes, field);
            }
        }
    }
}

// Sets or joins one field's value the way a stored mapping does: on texts and on views.
template <typename Field, typename Values>
void SetTargetOf(Values& v, unsigned target, const Field& field) {
    using M = CFieldMapper;
    switch (target) {
    case M::kName:
        Assign(v.m_strName, field);
        break;
    case M::kCity:
        Assign(v.m_strCity, field);
        break;
    case M::kState:
        Assign(v.m_strState, field);
        break;
    case M::kZip:
        Assign(v.m_strZip, field);
        break;
    case M::kCountry:
        Assign(v.m_strCountry, field);
        break;
    case M::kEmail:
        Assign(v.m_strEmail, field);
        break;
    case M::kAddress:
        JoinTo(v.m_strAddress, field);
        break;
    case M::kPhone:
        JoinTo(v.m_strPhone, field);
        break;
    case M::kNotes:
        JoinTo(v.m_strNotes, field);
        break;
    case M::kCityStateZip:
        SplitCityStateZipInto(field, true, v.m_strCity, v.m_strState, v.m_strZip);
        break;
    default:
        break;
    }
}

} // namespace

QString CFieldMapper::TargetText(unsigned target) {
    static const char* const kTexts[kTargetCount] = {"Name",  "Address",        "City",    "State",
                                                     "ZIP",   "Phone",          "Country", "E-mail",
                                                     "Notes", "City, State Zip"};
    return target < kTargetCount ? QString::fromLatin1(kTexts[target]) : QString();
}

void CFieldMapper::ClearValues() {
    m_strName.clear();
    m_strAddress.clear();
    m_strCity.clear();
    m_strState.clear();
    m_strZip.clear();
    m_strPhone.clear();
    m_strCountry.clear();
    m_strNotes.clear();
    m_strEmail.clear();
}

void CFieldMapper::Show(ImportEntry& entry) {
    ClearValues();
    m_fields = entry.m_pFields;
    if (entry.m_bMapped) {
        m_targets = QList<unsigned>(m_fields.size(), kName);
        ShowStored(entry);
    } else {
        AutoMap(entry);
    }
}

bool CFieldMapper::IsPhoneLike(QByteArrayView field) {
    if (field.contains('-'))
        return true;
    return CharPos(field, field.indexOf(')')) - CharPos(field, field.indexOf('(')) == 4;
}

void CFieldMapper::AutoMap(ImportEntry& entry) {
    const int n = static_cast<int>(m_fields.size());
    QList<unsigned> targets(n, kName);
    AutoMapFields(m_fields.constData(), n, m_bOneLine, targets.data(), *this);
    m_targets = targets;
    entry.m_pMapping = targets;
}

void CFieldMapper::AutoMapViews(const QByteArrayView* fields, int n, bool bOneLine,
                                unsigned* targets, ViewValues& values) {
    for (int i = 0; i < n; ++i)
        targets[i] = kName;
    AutoMapFields(fields, n, bOneLine, targets, values);
}

void CFieldMapper::ShowStored(const ImportEntry& entry) {
    const CPerson& person = *entry.m_pPerson;
    m_strName = person.m_strName;
    m_strAddress = person.m_strAddress;
    m_strCity = person.m_strCity;
    m_strState = person.m_strState;
    m_strZip = person.m_strZip;
    m_strPhone = person.m_strPhone;
    m_strCountry = person.m_strCountry;
    m_strNotes = person.m_strNotes;
    m_strEmail = person.m_strEmail;
    for (qsizetype i = 0; i < m_targets.size() && i < entry.m_pMapping.size(); ++i)
        m_targets[i] = entry.m_pMapping[i];
}

void CFieldMapper::StoreCurrent(ImportEntry& entry) const {
    CPerson& person = *entry.m_pPerson;
    person.m_strName = m_strName;
    person.m_strAddress = m_strAddress;
    person.m_strCity = m_strCity;
    person.m_strState = m_strState;
    person.m_strZip = m_strZip;
    person.m_strPhone = m_strPhone;
    person.m_strCountry = m_strCountry;
    person.m_strNotes = m_strNotes;
    person.m_strEmail = m_strEmail;
    entry.m_pMapping = m_targets;
    entry.m_bMapped = 1;
}

void CFieldMapper::TakeOff(int row) {
    switch (m_targets[row]) {
    case kName:
        m_strName.clear();
        break;
    case kCity:
        m_strCity.clear();
        break;
    case kState:
        m_strState.clear();
        break;
    case kZip:
        m_strZip.clear();
        break;
    case kCountry:
        m_strCountry.clear();
        break;
    case kEmail:
        m_strEmail.clear();
        break;
    case kAddress:
        m_strAddress = RemovePart(m_strAddress, m_fields[row]);
        break;
    case kPhone:
        m_strPhone = RemovePart(m_strPhone, m_fields[row]);
        break;
    case kNotes:
        m_strNotes = RemovePart(m_strNotes, m_fields[row]);
        break;
    case kCityStateZip:
        m_strCity.clear();
        m_strState.clear();
        m_strZip.clear();
        break;
    default:
        break;
    }
}

void CFieldMapper::GiveTarget(int row, unsigned target) {
    const QByteArray& field = m_fields[row];
    switch (target) {
    case kName:
        m_strName = field;
        break;
    case kCity:
        m_strCity = field;
        break;
    case kState:
        m_strState = field;
        break;
    case kZip:
        m_strZip = field;
        break;
    case kCountry:
        m_strCountry = field;
        break;
    case kEmail:
        m_strEmail = field;
        break;
    case kAddress:
        Join(m_strAddress, field);
        break;
    case kPhone:
        Join(m_strPhone, field);
        break;
    case kNotes:
        Join(m_strNotes, field);
        break;
    case kCityStateZip:
        SplitCityStateZip(field, true, m_strCity, m_strState, m_strZip);
        break;
    default:
        return;
    }
    m_targets[row] = target;
}

void CFieldMapper::MapRows(const QList<int>& rows, unsigned target) {
    if (target >= kTargetCount)
        return;
    QList<int> chosen;
    for (int row : rows) {
        if (row >= 0 && row < m_fields.size() && chosen.size() < 50)
            chosen.append(row);
    }
    for (int row : chosen)
        TakeOff(row);
    for (int row : chosen)
        GiveTarget(row, target);
}

void CFieldMapper::SetTarget(CPerson& person, unsigned target, const QByteArray& field) {
    SetTargetOf(person, target, field);
}

void CFieldMapper::ApplyPattern(const QList<unsigned>& pattern, ImportEntry& entry) {
    const qsizetype count = qMin(pattern.size(), entry.m_pFields.size());
    for (qsizetype j = 0; j < count; ++j)
        SetTarget(*entry.m_pPerson, pattern[j], entry.m_pFields[j]);
}

void CFieldMapper::ApplyPatternViews(const QList<unsigned>& pattern, const QByteArrayView* fields,
                                     int n, ViewValues& values) {
    const qsizetype count = qMin<qsizetype>(pattern.size(), n);
    for (qsizetype j = 0; j < count; ++j)
        SetTargetOf(values, pattern[j], fields[j]);
}

void CFieldMapper::ProcessRemaining(CImportRecord& records, int nCurrent, bool bSameMapping,
                                    const std::function<void()>& fnStep) {
    if (nCurrent < 0 || nCurrent >= records.GetCount())
        return;
    StoreCurrent(*records.At(nCurrent));
    const QList<unsigned> pattern = m_targets;
    for (int i = nCurrent + 1; i < records.GetCount(); ++i) {
        if (fnStep)
            fnStep();
        ImportEntry& entry = *records.At(i);
        if (bSameMapping) {
            ApplyPattern(pattern, entry);
        } else {
            Show(entry);
            StoreCurrent(entry);
        }
    }
}

QByteArray CFieldMapper::RemovePart(const QByteArray& value, const QByteArray& part) {
    // An empty part was never joined as text of its own, so there is nothing to take out.
    if (part.isEmpty())
        return value;
    const qsizetype p = value.indexOf(part);
    if (p < 0)
        return value;
    if (value.size() == part.size())
        return QByteArray();
    // With the part goes one character beside it, normally the line feed; when the part stands
    // inside a longer text that character is taken whole, so no UTF-8 sequence is cut.
    if (p == 0)
        return value.mid(CharEnd(value, part.size()));
    if (p + part.size() == value.size())
        return value.left(CharStart(value, p - 1));
    QByteArray result = value;
    result.remove(p, CharEnd(value, p + part.size()) - p);
    return result;
}

void CFieldMapper::Join(QByteArray& value, const QByteArray& part) {
    if (value.isEmpty()) {
        value = part;
    } else {
        value += '\n';
        value += part;
    }
}

bool CFieldMapper::SplitCityStateZip(const QByteArray& text, bool bRequireComma, QByteArray& city,
                                     QByteArray& state, QByteArray& zip) {
    return SplitCityStateZipInto(text, bRequireComma, city, state, zip);
}
