#include "CContactReader.h"

#include "CContactMapper.h"
#include "CCsvParser.h"
#include "CCsvQuickRow.h"
#include "CGroupsField.h"
#include "CHeaderMap.h"
#include "CTextDecoder.h"
#include "CVCardParser.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <thread>

namespace {

constexpr qsizetype kMaxContacts = 65535;
// How much of the start of a file Detect looks at, and how many rows may come before a header.
constexpr qsizetype kSniffBytes = 64 * 1024;
constexpr int kMaxPreambleRows = 8;

const QString kTooMany =
    QStringLiteral("The file holds more than 65,535 contacts; a contact file holds at most 65,535 "
                   "entries, so nothing was read.");

// --- vCard ---------------------------------------------------------------------------------

bool IsVCardText(const QByteArray& text) {
    // A card begins within the first lines (blank lines and a little junk allowed).
    qsizetype pos = 0;
    for (int line = 0; line < 50 && pos < text.size(); ++line) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        if (QByteArray::fromRawData(text.constData() + pos, end - pos)
                .trimmed()
                .compare("BEGIN:VCARD", Qt::CaseInsensitive) == 0)
            return true;
        pos = end + 1;
    }
    return false;
}

QByteArray Joined(const QList<QByteArray>& parts, const char* separator) {
    QList<QByteArray> kept;
    for (const QByteArray& part : parts)
        if (!part.trimmed().isEmpty())
            kept.append(part.trimmed());
    return kept.join(separator);
}

// What each known property is called in Notes.
const QHash<QByteArray, QByteArray>& OtherLabels() {
    static const QHash<QByteArray, QByteArray> labels = {
        {"TITLE", "Title"},
        {"ROLE", "Role"},
        {"NICKNAME", "Nickname"},
        {"URL", "Web page"},
        {"IMPP", "IM"},
        {"X-AIM", "IM (AIM)"},
        {"X-ICQ", "IM (ICQ)"},
        {"X-JABBER", "IM (Jabber)"},
        {"X-MSN", "IM (MSN)"},
        {"X-YAHOO", "IM (Yahoo)"},
        {"X-SKYPE", "IM (Skype)"},
        {"X-SKYPE-USERNAME", "IM (Skype)"},
        {"X-GTALK", "IM (Google Talk)"},
        {"X-GOOGLE-TALK", "IM (Google Talk)"},
        {"X-QQ", "IM (QQ)"},
        {"X-MS-IMADDRESS", "IM"},
        {"X-ABRELATEDNAMES", "Related name"},
        {"RELATED", "Related"},
        {"X-ABDATE", "Date"},
        {"GEO", "Location"},
        {"GENDER", "Gender"},
        {"LANG", "Language"},
        {"TZ", "Time zone"},
        {"MAILER", "Mailer"},
        {"X-PHONETIC-FIRST-NAME", "Phonetic first name"},
        {"X-PHONETIC-MIDDLE-NAME", "Phonetic middle name"},
        {"X-PHONETIC-LAST-NAME", "Phonetic last name"},
        {"X-ANNIVERSARY", "Anniversary"},
        {"X-SPOUSE", "Spouse"},
        {"X-MANAGER", "Manager"},
        {"X-ASSISTANT", "Assistant"},
        {"EXPERTISE", "Expertise"},
        {"HOBBY", "Hobby"},
        {"INTEREST", "Interest"},
        {"ORG-DIRECTORY", "Directory"},
        {"CALURI", "Calendar"},
        {"FBURL", "Free/busy"},
    };
    return labels;
}

enum class EProp {
    Other,
    Fn,
    N,
    Org,
    Tel,
    Email,
    Adr,
    Label,
    Note,
    Categories,
    Date,
    Nickname,
    Bookkeeping
};

EProp PropKind(const QByteArray& name) {
    static const QHash<QByteArray, EProp> kinds = [] {
        QHash<QByteArray, EProp> h = {{"FN", EProp::Fn},
                                      {"N", EProp::N},
                                      {"ORG", EProp::Org},
                                      {"TEL", EProp::Tel},
                                      {"EMAIL", EProp::Email},
                                      {"ADR", EProp::Adr},
                                      {"LABEL", EProp::Label},
                                      {"NOTE", EProp::Note},
                                      {"CATEGORIES", EProp::Categories},
                                      {"X-CATEGORIES", EProp::Categories},
                                      {"BDAY", EProp::Date},
                                      {"ANNIVERSARY", EProp::Date},
                                      {"X-ABDATE", EProp::Date},
                                      {"X-ANNIVERSARY", EProp::Date},
                                      {"DEATHDATE", EProp::Date},
                                      {"NICKNAME", EProp::Nickname}};
        for (const char* name : {"VERSION",
                                 "PRODID",
                                 "REV",
                                 "UID",
                                 "X-ABLABEL",
                                 "X-MS-OL-DESIGN",
                                 "X-MS-OL-DEFAULT-POSTAL-ADDRESS",
                                 "X-ABADR",
                                 "X-ABSHOWAS",
                                 "X-ABUID",
                                 "CLIENTPIDMAP",
                                 "KIND",
                                 "SORT-STRING",
                                 "NAME",
                                 "PROFILE",
                                 "SOURCE",
                                 "X-MS-CARDPICTURE",
                                 "X-ABPERSONFLAGS",
                                 "CLASS",
                                 "X-CLASS",
                                 "X-MOZILLA-HTML",
                                 "X-EVOLUTION-FILE-AS",
                                 "X-ATTRIBUTE",
                                 "XML",
                                 "BEGIN",
                                 "END",
                                 "X-MS-OL-CARDPICTURE",
                                 "X-IRMC-LUID"})
            h.insert(QByteArray(name), EProp::Bookkeeping);
        return h;
    }();
    return kinds.value(name, EProp::Other);
}

// Fills `contact` (emptied first, its storage reused) from one card.
void FromCard(const CVCard& card, CExchangeReport& report, CContactData& contact) {
    contact.Clear();
    // Apple and Google labels: item1.TEL beside item1.X-ABLabel.
    QHash<QByteArray, QByteArray> groupLabels;
    bool bHasAdr = false;
    for (const CVCardProperty& property : card.m_properties) {
        const QByteArray& name = property.m_strName;
        if (!property.m_strGroup.isEmpty() && name == QByteArrayView("X-ABLABEL"))
            groupLabels.insert(property.m_strGroup.toLower(),
                               CVCardProperty::ReadableLabel(property.Text()));
        else if (name.size() == 6 && name == QByteArrayView("PRODID"))
            contact.bExact = property.m_strValue.contains(QByteArrayView("Velloby"));
        bHasAdr = bHasAdr || (name.size() == 3 && name == QByteArrayView("ADR"));
    }
    const bool bExact = contact.bExact;
    bool bHasFullName = false;
    bool bHasN = false;
    for (const CVCardProperty& property : card.m_properties) {
        const QByteArray& name = property.m_strName;
        const EProp kind = PropKind(name);
        const QByteArray groupLabel = property.m_strGroup.isEmpty()
                                          ? QByteArray()
                                          : groupLabels.value(property.m_strGroup.toLower());
        auto label = [&] { return groupLabel.isEmpty() ? property.TypeLabel() : groupLabel; };

        if (property.m_bBinary) {
            if (name == "SOUND")
                ++contact.nSounds;
            else if (name == "KEY")
                ++contact.nKeys;
            else
                ++contact.nPhotos;
        } else if (kind == EProp::Fn) {
            if (!bHasFullName)
                contact.strFullName = (bExact ? property.ExactText() : property.Text());
            bHasFullName = true;
        } else if (kind == EProp::N) {
            if (bHasN || bExact)
                continue;
            bHasN = true;
            const QList<QByteArray> parts = property.Components();
            static const int order[] = {3, 1, 2, 0, 4}; // prefix given middle family suffix
            for (int index : order)
                contact.nameParts.append(index < parts.size() ? parts[index] : QByteArray());
        } else if (kind == EProp::Org) {
            const QByteArray organization = Joined(property.Components(), ", ");
            if (contact.strOrganization.isEmpty())
                contact.strOrganization = organization;
            else
                contact.others.push_back({"Organization", organization});
        } else if (kind == EProp::Tel) {
            QByteArray value = (bExact ? property.ExactText() : property.Text());
            if (!bExact && value.startsWith("tel:"))
                value = value.mid(4);
            contact.phones.push_back({label(), value, property.IsPreferred()});
        } else if (kind == EProp::Email) {
            QByteArray value = (bExact ? property.ExactText() : property.Text());
            if (!bExact && value.startsWith("mailto:"))
                value = value.mid(7);
            contact.emails.push_back({label(), value, property.IsPreferred()});
        } else if (kind == EProp::Adr) {
            const QList<QByteArray> parts =
                (bExact ? property.ExactComponents() : property.Components());
            auto part = [&](int i) { return i < parts.size() ? parts[i] : QByteArray(); };
            CContactData::Address address;
            address.strLabel = label();
            address.strPoBox = part(0);
            address.strExtended = part(1);
            address.strStreet = part(2);
            address.strCity = part(3);
            address.strRegion = part(4);
            address.strPostalCode = part(5);
            address.strCountry = part(6);
            address.bPreferred = property.IsPreferred();
            contact.addresses.push_back(std::move(address));
        } else if (kind == EProp::Label) {
            // The printed form of an ADR; kept only when the card has no ADR to give it.
            if (!bHasAdr) {
                CContactData::Address address;
                address.strLabel = label();
                address.strFormatted = property.Text();
                address.bPreferred = property.IsPreferred();
                contact.addresses.push_back(std::move(address));
            }
        } else if (kind == EProp::Bookkeeping) {
        } else if (kind == EProp::Note) {
            contact.notes.append((bExact ? property.ExactText() : property.Text()));
        } else if (kind == EProp::Categories) {
            const QList<QByteArray> groups =
                (bExact ? property.ExactListValues() : property.ListValues());
            for (const QByteArray& group : groups)
                if (bExact || !group.trimmed().isEmpty())
                    contact.groups.append(bExact ? group : group.trimmed());
        } else if (kind == EProp::Date) {
            QByteArray what = !groupLabel.isEmpty() ? groupLabel
                              : name == "BDAY"      ? QByteArray("Birthday")
                              : name == "DEATHDATE" ? QByteArray("Date of death")
                              : name == "X-ABDATE"  ? QByteArray("Date")
                                                    : QByteArray("Anniversary");
            contact.others.push_back({what, CContactMapper::FormatDate(property.Text())});
        } else {
            QByteArray what = OtherLabels().value(name);
            if (!groupLabel.isEmpty()) {
                what = groupLabel;
            } else if (what.isEmpty()) {
                what = name.startsWith("X-") ? name.mid(2) : name;
            } else if (const QByteArray types = label(); !types.isEmpty()) {
                what += " (" + types + ')';
            }
            QByteArray value =
                kind == EProp::Nickname ? Joined(property.ListValues(), ", ") : property.Text();
            contact.others.push_back({what, value});
        }
    }
    report.nPhotos += contact.nPhotos;
    report.nSounds += contact.nSounds;
    report.nKeys += contact.nKeys;
}

// Takes each contact as it is read; counts them. The two parts of a file are read on two
// threads, each counting every row in its sink: a cache line of its own keeps them from
// writing to the same one.
struct alignas(64) CSink {
    CContactReader::IPartSink& part;
    bool bTexts = false; // the part takes the common CSV rows as texts
    qsizetype nCount = 0;
    void Take(CPerson& person) {
        ++nCount;
        part.TakePerson(person);
    }
    void Take(const QByteArrayView* pTexts) {
        ++nCount;
        part.TakeTexts(pTexts);
    }
};

// The functions of ReadEach as a part.
class CFunctionSink : public CContactReader::IPartSink {
public:
    CFunctionSink(const CContactReader::PersonFn& fnPerson, const CContactReader::TextsFn& fnTexts,
                  const CContactReader::DoneFn& fnDone)
        : m_fnPerson(fnPerson), m_fnTexts(fnTexts), m_fnDone(fnDone) {}
    void TakePerson(CPerson& person) override { m_fnPerson(person); }
    void TakeTexts(const QByteArrayView* pTexts) override { m_fnTexts(pTexts); }
    void Done(const char* pReadTo) override {
        if (m_fnDone)
            m_fnDone(pReadTo);
    }
    void Forget() override {}

private:
    const CContactReader::PersonFn& m_fnPerson;
    const CContactReader::TextsFn& m_fnTexts;
    const CContactReader::DoneFn& m_fnDone;
};

bool ReadVCards(const QByteArray& text, CContactReader::Result& result, CSink& sink,
                QString* pError) {
    CVCardParser parser(text);
    CVCard card;
    CContactData contact;
    while (parser.Next(card)) {
        bool bAnyValue = false;
        for (const CVCardProperty& property : card.m_properties)
            if (property.m_strName != "VERSION")
                bAnyValue = true;
        if (!bAnyValue) {
            ++result.report.nSkipped;
            continue;
        }
        if (sink.nCount >= kMaxContacts) {
            if (pError)
                *pError = kTooMany;
            return false;
        }
        FromCard(card, result.report, contact);
        CPerson person = CContactMapper::ToPerson(contact);
        sink.Take(person);
    }
    result.report.warnings += parser.Warnings();
    if (parser.SkippedLines() > 0)
        result.report.warnings.append(
            QStringLiteral("%1 lines inside cards were not properties and were skipped.")
                .arg(parser.SkippedLines()));
    return true;
}

// --- CSV -----------------------------------------------------------------------------------

struct CHeaderFound {
    CHeaderMap map;
    char cDelimiter = ',';
    qsizetype nStart = 0; // where the first data row starts
    qsizetype nLine = 1;
};

// Looks for the header row among the first rows (LinkedIn puts a "Notes:" preamble before it),
// trying comma, semicolon and tab; the delimiter that recognises the most columns wins.
bool FindHeader(const QByteArray& whole, CHeaderFound& found) {
    // Only the start of the file is looked at; a header row ends well within it.
    const QByteArray text = whole.size() > kSniffBytes
                                ? QByteArray::fromRawData(whole.constData(), kSniffBytes)
                                : whole;
    qsizetype start = 0;
    qsizetype line = 1;
    for (int row = 0; row < kMaxPreambleRows && start < text.size() && start < kSniffBytes; ++row) {
        bool bFound = false;
        qsizetype best = -1;
        qsizetype next = -1;
        qsizetype nextLine = line + 1;
        for (char delimiter : {',', ';', '\t'}) {
            CCsvParser parser(text, delimiter, start, line);
            QList<QByteArray> cells;
            if (!parser.Next(cells))
                return false;
            if (next < 0 || (delimiter == CCsvParser::SniffDelimiter(text.mid(start, 4096)))) {
                next = parser.Position();
                nextLine = parser.NextLine();
            }
            if (cells.size() > 10000)
                continue;
            if (parser.Position() >= text.size() && text.size() < whole.size())
                continue; // the row runs past the part looked at
            CHeaderMap map = CHeaderMap::Recognise(cells);
            if (map.IsHeader() && map.Recognised() > best) {
                best = map.Recognised();
                found.map = std::move(map);
                found.cDelimiter = delimiter;
                found.nStart = parser.Position();
                found.nLine = parser.NextLine();
                bFound = true;
            }
        }
        if (bFound)
            return true;
        start = next;
        line = nextLine;
    }
    return false;
}

using EKind = CHeaderMap::EKind;

// Fills `contact` (emptied first, its storage reused) from a row of our own layout.
void FromOwnRow(const QList<QByteArray>& fields, CContactData& contact) {
    contact.Clear();
    contact.bExact = true;
    auto field = [&](int i) { return i < fields.size() ? fields[i] : QByteArray(); };
    contact.strFullName = field(0);
    CContactData::Address address;
    address.strStreet = field(1);
    address.strCity = field(2);
    address.strRegion = field(3);
    address.strPostalCode = field(4);
    address.strCountry = field(5);
    contact.addresses.push_back(std::move(address));
    // The phone field goes in whole: its lines and brackets are exactly as written.
    contact.phones.push_back({{}, field(6)});
    contact.emails.push_back({{}, field(7)});
    contact.notes.append(field(8));
    if (!field(9).isEmpty())
        contact.groups = CGroupsField::Split(field(9));
}

CContactData FromRow(const CHeaderMap& map, const QList<QByteArray>& fields) {
    CContactData contact;
    QByteArray given, middle, family, prefix, suffix;
    QByteArray birthYear, birthMonth, birthDay;
    std::map<int, CContactData::Address> addresses;
    std::map<int, QByteArray> emailLabels, phoneLabels, websiteLabels, pairLabels, services;
    std::map<int, QList<QByteArray>> emails, phones, websites, pairValues;
    QList<CContactData::Value> others;
    const qsizetype n = std::min<qsizetype>(fields.size(), qsizetype(map.m_columns.size()));
    for (qsizetype i = 0; i < n; ++i) {
        const CHeaderMap::Column& column = map.m_columns[size_t(i)];
        const QByteArray& value = fields[i];
        if (column.kind == EKind::Ignore || CHeaderMap::IsPlaceholder(value, column))
            continue;
        const int slot = column.nSlot;
        auto address = [&]() -> CContactData::Address& {
            CContactData::Address& a = addresses[slot];
            if (a.strLabel.isEmpty())
                a.strLabel = column.strLabel;
            return a;
        };
        auto appendStreet = [&](const QByteArray& line) {
            QByteArray& street = address().strStreet;
            street += street.isEmpty() ? line : "\n" + line;
        };
        switch (column.kind) {
        case EKind::FullName:
            contact.strFullName = value;
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
        case EKind::Nickname:
            contact.others.push_back({"Nickname", value});
            break;
        case EKind::Organization:
            contact.strOrganization = value;
            break;
        case EKind::Department:
            contact.others.push_back({"Department", value});
            break;
        case EKind::JobTitle:
            contact.others.push_back({"Title", value});
            break;
        case EKind::Email:
            emails[slot] += CHeaderMap::SplitValues(value);
            break;
        case EKind::EmailLabel:
            emailLabels[slot] = value;
            break;
        case EKind::Phone:
            phones[slot] += CHeaderMap::SplitValues(value);
            if (!column.strLabel.isEmpty())
                phoneLabels[slot] = column.strLabel;
            break;
        case EKind::PhoneLabel:
            phoneLabels[slot] = value;
            break;
        case EKind::Street:
        case EKind::Street2:
        case EKind::Street3:
            appendStreet(value);
            break;
        case EKind::PoBox:
            address().strPoBox = value;
            break;
        case EKind::Extended:
            address().strExtended = value;
            break;
        case EKind::City:
            address().strCity = value;
            break;
        case EKind::Region:
            address().strRegion = value;
            break;
        case EKind::PostalCode:
            address().strPostalCode = value;
            break;
        case EKind::Country:
            address().strCountry = value;
            break;
        case EKind::AddressFormatted:
            address().strFormatted = value;
            break;
        case EKind::AddressLabel: {
            bool bPreferred = false;
            CContactData::Address& a = addresses[slot];
            a.strLabel = CContactMapper::CleanLabel(value, &bPreferred);
            a.bPreferred = bPreferred;
            break;
        }
        case EKind::Website:
            if (slot >= 5000) { // a column of its own, labelled by its name
                for (const QByteArray& site : CHeaderMap::SplitValues(value))
                    contact.others.push_back({column.strLabel, site.trimmed()});
            } else {
                websites[slot] += CHeaderMap::SplitValues(value);
            }
            break;
        case EKind::WebsiteLabel:
            websiteLabels[slot] = value;
            break;
        case EKind::Birthday:
            contact.others.push_back({"Birthday", CContactMapper::FormatDate(value, true)});
            break;
        case EKind::BirthYear:
            birthYear = value.trimmed();
            break;
        case EKind::BirthMonth:
            birthMonth = value.trimmed();
            break;
        case EKind::BirthDay:
            birthDay = value.trimmed();
            break;
        case EKind::Anniversary:
            contact.others.push_back({"Anniversary", CContactMapper::FormatDate(value, true)});
            break;
        case EKind::Notes:
            contact.notes.append(value);
            break;
        case EKind::Groups:
            for (const QByteArray& group : CHeaderMap::SplitValues(value))
                for (const QByteArray& part : group.split(';'))
                    if (!part.trimmed().isEmpty())
                        contact.groups.append(part.trimmed());
            break;
        case EKind::LabelledLabel:
            pairLabels[slot] = value;
            break;
        case EKind::LabelledValue:
            pairValues[slot] += CHeaderMap::SplitValues(value);
            if (!pairLabels.count(slot))
                pairLabels[slot] = {};
            services[slot + 100000] = column.strLabel;
            break;
        case EKind::ImService:
            services[slot] = value;
            break;
        case EKind::Other:
        case EKind::Unknown:
            contact.others.push_back({column.strHeader, value});
            break;
        case EKind::Ignore:
            break;
        }
    }
    contact.nameParts = {prefix, given, middle, family, suffix};
    // Windows Live Mail fills its Name column with the nickname; the name parts say more.
    for (const CContactData::Value& other : contact.others)
        if (other.strLabel == "Nickname" && other.strValue == contact.strFullName &&
            !(given + family).trimmed().isEmpty())
            contact.strFullName.clear();

    for (auto& [slot, values] : emails) {
        bool bPreferred = false;
        const QByteArray label = CContactMapper::CleanLabel(emailLabels[slot], &bPreferred);
        for (const QByteArray& value : values)
            if (!value.trimmed().isEmpty()) {
                contact.emails.push_back({label, value.trimmed(), bPreferred});
                bPreferred = false;
            }
    }
    for (auto& [slot, values] : phones) {
        bool bPreferred = false;
        const QByteArray label = CContactMapper::CleanLabel(phoneLabels[slot], &bPreferred);
        // One number a line, also when a cell holds several lines.
        for (const QByteArray& value : values)
            for (const QByteArray& line : CContactMapper::NormaliseBreaks(value).split('\n'))
                if (!line.trimmed().isEmpty())
                    contact.phones.push_back({label, line.trimmed(), bPreferred});
    }
    for (auto& [slot, address] : addresses)
        if (!address.IsEmpty())
            contact.addresses.push_back(address);
    if (!birthYear.isEmpty() || !birthMonth.isEmpty() || !birthDay.isEmpty()) {
        QByteArray date;
        if (!birthYear.isEmpty() && !birthMonth.isEmpty() && !birthDay.isEmpty())
            date = CContactMapper::FormatDate(birthDay + '.' + birthMonth + '.' + birthYear);
        else
            date = (birthYear + '-' + birthMonth + '-' + birthDay);
        contact.others.push_back({"Birthday", date});
    }
    for (auto& [slot, values] : websites) {
        const QByteArray label = CContactMapper::CleanLabel(websiteLabels[slot]);
        const QByteArray what =
            label.isEmpty() ? QByteArray("Web page") : "Web page (" + label + ')';
        for (const QByteArray& value : values)
            if (!value.trimmed().isEmpty())
                contact.others.push_back({what, value.trimmed()});
    }
    for (auto& [slot, values] : pairValues) {
        const QByteArray kind = services[slot + 100000];
        const QByteArray label = CContactMapper::CleanLabel(pairLabels[slot]);
        const QList<QByteArray> serviceList = CHeaderMap::SplitValues(services[slot]);
        for (qsizetype k = 0; k < values.size(); ++k) {
            const QByteArray value = values[k].trimmed();
            if (value.isEmpty())
                continue;
            QByteArray what;
            if (kind == "IM") {
                const QByteArray service =
                    k < serviceList.size() ? serviceList[k].trimmed() : QByteArray();
                what = service.isEmpty() ? QByteArray("IM") : "IM (" + service + ')';
            } else {
                what = label.isEmpty() ? kind : label;
            }
            contact.others.push_back(
                {what, kind == "Event" ? CContactMapper::FormatDate(value) : value});
        }
    }
    return contact;
}

// Reads the rows from where `parser` stands on, until the first row that starts at or after
// `until`, into `sink`; tells the part what is read when `bDone`. False with `pError` set when
// the part holds too many contacts.
bool ReadRows(const QByteArray& text, CCsvParser& parser, const CHeaderMap& map, CSink& sink,
              bool bDone, qsizetype until, QString* pError) {
    QList<QByteArray> fields;
    const bool bOwn = map.IsOwnLayout();
    CContactData own;
    // Rows of the common shape skip the contact and the entry when the part takes texts; their
    // cells are read as views, and made fields only when the row needs the general reading.
    std::optional<CCsvQuickRow> quick;
    if (sink.bTexts && !bOwn)
        quick.emplace(map);
    QByteArrayView texts[CCsvQuickRow::Count];
    const std::vector<QByteArrayView>& cells = parser.Cells();
    while (parser.Position() < until && (quick ? parser.NextCells() : parser.Next(fields))) {
        // Blank lines are no rows; in our own layout a row of empty fields is an empty entry.
        bool bEmpty = true;
        const auto blank = [](QByteArrayView field) {
            for (char c : field)
                if (c != ' ' && c != '\t')
                    return false;
            return true;
        };
        if (quick) {
            for (QByteArrayView cell : cells)
                if (!(bEmpty = blank(cell)))
                    break;
        } else {
            for (const QByteArray& field : fields)
                if (!(bEmpty = blank(field)))
                    break;
        }
        const qsizetype nFields = quick ? qsizetype(cells.size()) : fields.size();
        if (bEmpty && (!bOwn || nFields == 1))
            continue;
        if (sink.nCount >= kMaxContacts) {
            if (pError)
                *pError = kTooMany;
            return false;
        }
        if (quick &&
            quick->Build(cells.data(), qsizetype(cells.size()), texts, parser.RowHasBreaks())) {
            sink.Take(texts);
        } else if (bOwn) {
            FromOwnRow(fields, own);
            CPerson person = CContactMapper::ToPerson(own);
            sink.Take(person);
        } else {
            if (quick)
                parser.Fields(fields);
            CPerson person = CContactMapper::ToPerson(FromRow(map, fields));
            sink.Take(person);
        }
        if (bDone) {
            // The fields may point into the bytes given up.
            fields.clear();
            sink.part.Done(text.constData() + parser.Position());
        }
    }
    return true;
}

// Below this many bytes of rows a second thread costs more than it saves.
constexpr qsizetype kMinSplitBytes = 1024 * 1024;

bool ReadCsv(const QByteArray& text, CContactReader::Result& result, CSink& sink, CSink* pSecond,
             bool bViews, QString* pError) {
    CHeaderFound found;
    if (!FindHeader(text, found)) {
        if (pError)
            *pError = QStringLiteral("The file has no header row naming its columns.");
        return false;
    }
    bool bGroups = found.map.IsOwnLayout();
    for (const CHeaderMap::Column& column : found.map.m_columns)
        bGroups = bGroups || column.kind == CHeaderMap::EKind::Groups;
    const bool bParts = sink.part.Begin(bGroups);
    CCsvParser parser(text, found.cDelimiter, found.nStart, found.nLine, bViews);
    // The guess where the second part starts: the line after the middle of the rows.
    qsizetype split = text.size();
    if (pSecond && bParts && text.size() - found.nStart >= kMinSplitBytes) {
        const qsizetype middle = found.nStart + (text.size() - found.nStart) / 2;
        const qsizetype end = text.indexOf('\n', middle);
        if (end >= 0 && end + 1 < text.size())
            split = end + 1;
    }
    if (split == text.size()) {
        if (!ReadRows(text, parser, found.map, sink, true, text.size(), pError))
            return false;
        result.report.warnings += parser.Warnings();
        return true;
    }

    CCsvParser second(text, found.cDelimiter, split, 1, bViews);
    bool bSecondOk = false;
    std::thread worker([&] {
        bSecondOk = ReadRows(text, second, found.map, *pSecond, false, text.size(), nullptr);
    });
    const bool bFirstOk = ReadRows(text, parser, found.map, sink, true, split, pError);
    worker.join();
    if (!bFirstOk)
        return false;
    // The guess was a row boundary when the first part ended right there, reading quotes as
    // quotes; line numbers in warnings of the second part would count from the guess.
    if (parser.Position() == split && !parser.ReadsQuotesAsText() && second.Warnings().isEmpty()) {
        if (!bSecondOk || sink.nCount + pSecond->nCount > kMaxContacts) {
            if (pError)
                *pError = kTooMany;
            return false;
        }
    } else {
        pSecond->part.Forget();
        pSecond->nCount = 0;
        if (!ReadRows(text, parser, found.map, sink, true, text.size(), pError))
            return false;
    }
    result.report.warnings += parser.Warnings();
    return true;
}

// Whether `bytes` are ASCII without a NUL: text that reads as it is in every encoding taken
// (no byte-order mark, no UTF-16, nothing to convert or drop). Looked at a block at a time, so
// the compiler can compare many bytes at once.
bool IsPlainAscii(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    constexpr qsizetype kBlock = 64;
    qsizetype i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        unsigned char highest = 0;
        unsigned char lowest = 0xFF;
        for (qsizetype k = 0; k < kBlock; ++k) {
            highest |= p[i + k];
            lowest = std::min(lowest, p[i + k]);
        }
        if (highest >= 0x80 || lowest == 0)
            return false;
    }
    for (; i < n; ++i)
        if (p[i] >= 0x80 || p[i] == 0)
            return false;
    return true;
}

EContactFormat DetectText(const QByteArray& text) {
    if (IsVCardText(text))
        return EContactFormat::VCard;
    CHeaderFound found;
    if (FindHeader(text, found))
        return EContactFormat::Csv;
    return EContactFormat::Delimited;
}

} // namespace

EContactFormat CContactReader::Detect(const QByteArray& bytes) {
    // The start of the file is enough; an odd cut of UTF-16 costs one character.
    return DetectText(CTextDecoder::ToUtf8(bytes.left(kSniffBytes)));
}

bool CContactReader::Read(const QByteArray& bytes, EContactFormat format, Result& result,
                          QString* pError) {
    result = Result();
    // A contact takes at least sixty bytes or so; reserving spares copying the list as it grows.
    result.people.reserve(size_t(std::min<qsizetype>(kMaxContacts + 1, bytes.size() / 60 + 1)));
    const PersonFn take = [&result](CPerson& person) {
        result.people.push_back(std::move(person));
    };
    const TextsFn none;
    const DoneFn noDone;
    CFunctionSink sink(take, none, noDone);
    if (!Read(bytes, format, result, sink, nullptr, false, false, pError)) {
        result.people.clear();
        return false;
    }
    return true;
}

bool CContactReader::ReadEach(const QByteArray& bytes, EContactFormat format, Result& result,
                              const PersonFn& fnPerson, QString* pError, const DoneFn& fnDone) {
    result = Result();
    const TextsFn none;
    CFunctionSink sink(fnPerson, none, fnDone);
    return Read(bytes, format, result, sink, nullptr, false, true, pError);
}

bool CContactReader::ReadEach(const QByteArray& bytes, EContactFormat format, Result& result,
                              const PersonFn& fnPerson, const TextsFn& fnTexts, QString* pError,
                              const DoneFn& fnDone) {
    result = Result();
    CFunctionSink sink(fnPerson, fnTexts, fnDone);
    return Read(bytes, format, result, sink, nullptr, bool(fnTexts), true, pError);
}

bool CContactReader::ReadInParts(const QByteArray& bytes, EContactFormat format, Result& result,
                                 IPartSink& first, IPartSink& second, QString* pError,
                                 bool bPlainAscii) {
    result = Result();
    return Read(bytes, format, result, first, &second, true, true, pError, bPlainAscii);
}

bool CContactReader::Read(const QByteArray& bytes, EContactFormat format, Result& result,
                          IPartSink& first, IPartSink* pSecond, bool bTexts, bool bViews,
                          QString* pError, bool bPlainAscii) {
    // Most files are plain ASCII, which is UTF-8 as it is: one quick look instead of the
    // decoder's checks.
    const QByteArray text =
        bPlainAscii || IsPlainAscii(bytes) ? bytes : CTextDecoder::ToUtf8(bytes);
    if (format == EContactFormat::Auto)
        format = DetectText(text.left(kSniffBytes));
    result.format = format;
    CSink sink{first, bTexts};
    CSink second{pSecond ? *pSecond : first, bTexts};
    bool bOk = false;
    if (format == EContactFormat::VCard) {
        first.Begin(true);
        bOk = ReadVCards(text, result, sink, pError);
    } else if (format == EContactFormat::Csv) {
        bOk = ReadCsv(text, result, sink, pSecond ? &second : nullptr, bViews, pError);
    } else {
        if (pError)
            *pError = QStringLiteral("The file is plain delimited text, not vCard or CSV with a "
                                     "header row.");
        return false;
    }
    if (!bOk)
        return false;
    result.report.nContacts = sink.nCount + (pSecond ? second.nCount : 0);
    if (result.report.nContacts == 0) {
        if (pError)
            *pError = QStringLiteral("No contacts were found in the file.");
        return false;
    }
    return true;
}
