#include "CHeaderMap.h"

#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <cstring>

namespace {

using EKind = CHeaderMap::EKind;

// Lower case, letters and digits only: "E-mail 1 - Value" and "email1value" are the same.
QByteArray Normalise(const QByteArray& cell) {
    const QString text = QString::fromUtf8(cell).toLower();
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.isLetterOrNumber())
            out.append(c);
    return out.toUtf8();
}

const QHash<QByteArray, EKind>& Names() {
    static const QHash<QByteArray, EKind> names = [] {
        QHash<QByteArray, EKind> h;
        auto add = [&](EKind kind, std::initializer_list<const char*> list) {
            for (const char* name : list)
                h.insert(QByteArray(name), kind);
        };
        add(EKind::FullName, {"name", "displayname", "fullname", "anzeigename", "vollständigername",
                              "nom", "nombre", "fileas"});
        add(EKind::Given, {"givenname", "firstname", "first", "vorname", "prénom", "prenom"});
        add(EKind::Middle, {"additionalname", "middlename", "middle", "2vorname", "weiterevornamen",
                            "zweitervorname"});
        add(EKind::Family, {"familyname", "lastname", "last", "nachname", "surname", "famillenname",
                            "familienname"});
        add(EKind::Prefix, {"nameprefix", "anrede", "prefix"});
        add(EKind::Suffix, {"namesuffix", "suffix", "namenszusatz"});
        add(EKind::Nickname, {"nickname", "spitzname"});
        add(EKind::Organization, {"company", "organization", "organisation", "firma",
                                  "organizationname", "organisationname", "unternehmen"});
        add(EKind::Department, {"department", "abteilung", "organizationdepartment"});
        add(EKind::JobTitle, {"jobtitle", "position", "arbeitstitel", "organizationtitle", "beruf",
                              "profession", "occupation"});
        add(EKind::Email, {"email", "emailaddress", "emailadresse", "mail", "primaryemail",
                           "secondaryemail", "primäreemailadresse", "sekundäreemailadresse",
                           "alternateemail1", "alternateemail2", "emailadresse2", "emailadresse3"});
        add(EKind::Ignore, {"emailtype",
                            "emaildisplayname",
                            "emailangezeigtername",
                            "emailtyp",
                            "photo",
                            "yominame",
                            "givennameyomi",
                            "additionalnameyomi",
                            "familynameyomi",
                            "givenyomi",
                            "surnameyomi",
                            "companyyomi",
                            "phoneticfirstname",
                            "phoneticmiddlename",
                            "phoneticlastname",
                            "initials",
                            "initialen",
                            "internetfreebusy",
                            "internetfreigebucht",
                            "gender",
                            "geschlecht",
                            "priority",
                            "priorität",
                            "sensitivity",
                            "vertraulichkeit",
                            "private",
                            "language",
                            "sprache",
                            "distributionlists"});
        add(EKind::Phone,
            {"phone", "telefon", "tel", "telephone", "phonenumber", "mobile", "home", "work", "fax",
             "pager", "primary", "other", "yahoophone", "telefonnummer", "handy", "mobil"});
        add(EKind::Street, {"street", "address", "adresse", "straße", "strasse", "streetaddress"});
        add(EKind::City, {"city", "ort", "stadt", "town", "ville", "wohnort"});
        add(EKind::Region, {"state", "region", "bundesland", "province", "county", "kanton"});
        add(EKind::PostalCode, {"zip", "zipcode", "postalcode", "postcode", "plz", "postleitzahl"});
        add(EKind::Country, {"country", "land", "countryregion", "landregion", "pays"});
        add(EKind::Website, {"webpage", "website", "webseite", "url", "homepage", "personalwebpage",
                             "personalwebsite", "businesswebsite", "webpage1", "webpage2",
                             "webseite1", "webseite2"});
        add(EKind::Birthday, {"birthday", "geburtstag", "birthdate", "dateofbirth"});
        add(EKind::BirthYear, {"birthyear", "geburtsjahr"});
        add(EKind::BirthMonth, {"birthmonth", "geburtsmonat"});
        add(EKind::Anniversary, {"anniversary", "jahrestag", "hochzeitstag"});
        add(EKind::Notes, {"notes", "note", "notizen", "notiz", "comments", "comment", "kommentar",
                           "bemerkungen"});
        add(EKind::Groups, {"groupmembership", "labels", "categories", "kategorien", "category",
                            "groups", "gruppen", "group", "gruppe", "kategorie"});
        add(EKind::Other, {"spouse",
                           "children",
                           "hobby",
                           "managersname",
                           "assistantsname",
                           "referredby",
                           "location",
                           "officelocation",
                           "account",
                           "billinginformation",
                           "directoryserver",
                           "mileage",
                           "governmentidnumber",
                           "organizationalidnumber",
                           "keywords",
                           "subject",
                           "shortname",
                           "maidenname",
                           "schools",
                           "connectedon",
                           "büro",
                           "partner",
                           "kinder",
                           "stichwörter",
                           "konto",
                           "reisekilometer",
                           "abrechnungsinformationen",
                           "namedesdervorgesetzten",
                           "namedesassistenten",
                           "organisationsnr",
                           "regierungsnr",
                           "verzeichnisserver",
                           "imaddress",
                           "messengername",
                           "screenname",
                           "messengerid",
                           "messengerid1",
                           "user1",
                           "user2",
                           "user3",
                           "user4",
                           "custom1",
                           "custom2",
                           "custom3",
                           "custom4",
                           "benutzer1",
                           "benutzer2",
                           "benutzer3",
                           "benutzer4",
                           "benutzerdef1",
                           "benutzerdef2",
                           "benutzerdef3",
                           "benutzerdef4",
                           "relationship",
                           "birthplace"});
        return h;
    }();
    return names;
}

// Address columns named by where the address is plus which part: "Business Street 2",
// "Straße geschäftlich", "Privat: PLZ", "Ort (privat)", "Weitere Straße".
const char* const kContexts[] = {"business", "home",     "other",        "work",       "personal",
                                 "privat",   "private",  "geschäftlich", "dienstlich", "weiteresr",
                                 "weiteres", "weiterer", "weitere"};

struct Part {
    const char* name;
    EKind kind;
};
const Part kParts[] = {
    {"street", EKind::Street},
    {"street2", EKind::Street2},
    {"street3", EKind::Street3},
    {"address", EKind::Street},
    {"address2", EKind::Street2},
    {"address3", EKind::Street3},
    {"addresspobox", EKind::PoBox},
    {"pobox", EKind::PoBox},
    {"city", EKind::City},
    {"state", EKind::Region},
    {"postalcode", EKind::PostalCode},
    {"zipcode", EKind::PostalCode},
    {"zip", EKind::PostalCode},
    {"country", EKind::Country},
    {"countryregion", EKind::Country},
    {"straße", EKind::Street},
    {"straße2", EKind::Street2},
    {"straße3", EKind::Street3},
    {"strasse", EKind::Street},
    {"adresse", EKind::Street},
    {"adresse2", EKind::Street2},
    {"ort", EKind::City},
    {"plz", EKind::PostalCode},
    {"postleitzahl", EKind::PostalCode},
    {"bundesland", EKind::Region},
    {"bundeslandkanton", EKind::Region},
    {"region", EKind::Region},
    {"land", EKind::Country},
    {"landregion", EKind::Country},
    {"postfach", EKind::PoBox},
};

EKind PartKind(const QByteArray& part) {
    for (const Part& p : kParts)
        if (part == p.name)
            return p.kind;
    return EKind::Unknown;
}

bool IsPhoneWord(const QByteArray& name) {
    if (name.contains("phonetic") || name.contains("yomi"))
        return false;
    for (const char* word : {"phone", "telefon", "fax", "mobil", "pager", "handy", "cell", "isdn",
                             "telex", "callback", "rückmeldung", "autotelefon", "funkruf"})
        if (name.contains(word))
            return true;
    return name.startsWith("tel") && name.size() > 3;
}

QByteArray Capitalised(const QByteArray& word) {
    QString text = QString::fromUtf8(word);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text.toUtf8();
}

// Google's numbered columns: "E-mail 2 - Value", "Address 1 - PO Box", "Custom Field 1 - Label".
bool Numbered(const QByteArray& name, CHeaderMap::Column& column) {
    static const QRegularExpression pattern(
        QStringLiteral("^(email|phone|address|website|customfield|im|relation|event|organization|"
                       "organisation)(\\d+)([a-z]*)$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(name));
    if (!match.hasMatch())
        return false;
    const QString what = match.captured(1);
    const QString part = match.captured(3);
    column.nSlot = match.captured(2).toInt();
    const bool bLabel = part == u"type" || part == u"label";
    if (what == u"email") {
        // Google pairs "E-mail 1 - Type" with "E-mail 1 - Value"; Outlook's "E-mail 2 Address"
        // stands alone (its "E-mail 2 Type" only says SMTP) and keeps its place in the row.
        column.kind = bLabel                                 ? EKind::EmailLabel
                      : part == u"value"                     ? EKind::Email
                      : part == u"address" || part.isEmpty() ? EKind::Email
                                                             : EKind::Ignore;
        if (part == u"address" || part.isEmpty())
            column.nSlot = 0;
    } else if (what == u"phone") {
        column.kind = bLabel ? EKind::PhoneLabel : part == u"value" ? EKind::Phone : EKind::Ignore;
    } else if (what == u"address") {
        static const QHash<QString, EKind> parts = {{"type", EKind::AddressLabel},
                                                    {"label", EKind::AddressLabel},
                                                    {"formatted", EKind::AddressFormatted},
                                                    {"street", EKind::Street},
                                                    {"city", EKind::City},
                                                    {"pobox", EKind::PoBox},
                                                    {"region", EKind::Region},
                                                    {"postalcode", EKind::PostalCode},
                                                    {"country", EKind::Country},
                                                    {"extendedaddress", EKind::Extended}};
        column.kind = parts.value(part, EKind::Ignore);
    } else if (what == u"website") {
        column.kind = bLabel ? EKind::WebsiteLabel : EKind::Website;
    } else if (what == u"organization" || what == u"organisation") {
        column.kind = part == u"name"                          ? EKind::Organization
                      : part == u"title"                       ? EKind::JobTitle
                      : part == u"department"                  ? EKind::Department
                      : part == u"type" || part == u"yominame" ? EKind::Ignore
                                                               : EKind::Other;
        column.nSlot = 0;
    } else {
        // Custom fields, relations, events and instant messaging come in label/value pairs.
        column.nSlot += what == u"customfield" ? 1000
                        : what == u"relation"  ? 2000
                        : what == u"event"     ? 3000
                                               : 4000;
        column.kind = bLabel               ? EKind::LabelledLabel
                      : part == u"service" ? EKind::ImService
                      : part == u"value"   ? EKind::LabelledValue
                                           : EKind::Ignore;
        if (what == u"event")
            column.strLabel = "Event";
        else if (what == u"im")
            column.strLabel = "IM";
        else if (what == u"relation")
            column.strLabel = "Relation";
        else
            column.strLabel = "Custom field";
    }
    return true;
}

bool ContextAddress(const QByteArray& name, CHeaderMap::Column& column) {
    QByteArray digits;
    QByteArray base = name;
    while (!base.isEmpty() && base.back() >= '0' && base.back() <= '9') {
        digits.prepend(base.back());
        base.chop(1);
    }
    for (int i = 0; i < int(std::size(kContexts)); ++i) {
        const QByteArray context = kContexts[i];
        QByteArray part;
        if (base.startsWith(context) && base.size() > context.size())
            part = base.mid(context.size()) + digits;
        else if (base.endsWith(context) && base.size() > context.size())
            part = base.left(base.size() - context.size()) + digits;
        else
            continue;
        const EKind kind = PartKind(part);
        if (kind == EKind::Unknown)
            continue;
        column.kind = kind;
        column.nSlot = 100 + i;
        column.strLabel = Capitalised(context.startsWith("weitere") ? "weitere" : context);
        return true;
    }
    return false;
}

} // namespace

CHeaderMap CHeaderMap::Recognise(const QList<QByteArray>& cells) {
    CHeaderMap map;
    QList<QByteArray> names;
    qsizetype nonEmpty = 0;
    bool bNameLike = false;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        Column column;
        column.strHeader = cells[i].trimmed();
        const QByteArray name = Normalise(cells[i]);
        names.append(name);
        if (name.isEmpty()) {
            column.kind = EKind::Ignore;
            map.m_columns.push_back(column);
            continue;
        }
        ++nonEmpty;
        const auto known = Names().constFind(name);
        if (known != Names().constEnd()) {
            column.kind = *known;
            column.nSlot = 0;
        } else if (Numbered(name, column) || ContextAddress(name, column)) {
        } else if (IsPhoneWord(name)) {
            column.kind = EKind::Phone;
        } else if (name.startsWith("email") || name.endsWith("email") ||
                   name.endsWith("emailadresse") || name.endsWith("emailaddress")) {
            column.kind = name.contains("type") || name.contains("typ") ||
                                  name.contains("displayname") || name.contains("angezeigter")
                              ? EKind::Ignore
                              : EKind::Email;
        } else if (name.contains("yomi") || name.contains("phonetic")) {
            column.kind = EKind::Ignore;
        } else if (name.startsWith("webseite") || name.startsWith("webpage") ||
                   name.startsWith("website")) {
            column.kind = EKind::Website;
        }
        // Columns such as "Mobile Phone" or "Webseite (privat)" are values of their own,
        // labelled by their name, in the order of the row.
        if ((column.kind == EKind::Phone || column.kind == EKind::Website ||
             column.kind == EKind::Email) &&
            column.nSlot == 0) {
            column.nSlot = 5000 + int(i);
            if (column.kind != EKind::Email)
                column.strLabel = column.strHeader;
        }
        if (column.kind != EKind::Unknown)
            ++map.m_nRecognised;
        if (column.kind == EKind::FullName || column.kind == EKind::Given ||
            column.kind == EKind::Family || column.kind == EKind::Email)
            bNameLike = true;
        map.m_columns.push_back(column);
    }

    // Names that mean different things in different layouts.
    auto has = [&](const char* name) { return names.contains(QByteArray(name)); };
    for (qsizetype i = 0; i < names.size(); ++i) {
        Column& column = map.m_columns[size_t(i)];
        const QByteArray& name = names[i];
        if (name == "title") // Outlook's Title is the name prefix; elsewhere the job title
            column.kind = has("jobtitle") || has("firstname") ? EKind::Prefix : EKind::JobTitle;
        if ((name == "birthday" && has("birthyear")) ||
            (name == "geburtstag" && has("geburtsjahr")))
            column.kind = EKind::BirthDay;
        // "Home Address" is the whole address where a "Home Street" column exists beside it.
        if (column.kind == EKind::Street && name.endsWith("address") && column.nSlot >= 100) {
            const QByteArray street = name.left(name.size() - 7) + "street";
            if (has(street.constData()))
                column.kind = EKind::AddressFormatted;
        }
    }

    static const QList<QByteArray> own = {"name",    "address", "city",  "state", "zip",
                                          "country", "phone",   "email", "notes", "groups"};
    map.m_bOwn = names == own;
    map.m_bHeader = map.m_bOwn ||
                    (bNameLike && map.m_nRecognised >= 2 && map.m_nRecognised * 10 >= nonEmpty * 6);
    return map;
}

namespace {

// Equal with ASCII letters folded to lower case.
bool EqualFolded(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

const QByteArrayView kSeveral = " ::: ";

} // namespace

bool CHeaderMap::IsPlaceholder(QByteArrayView value, const Column& column) {
    // Most values have nothing to trim: no call to find that out.
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    const QByteArrayView folded =
        value.isEmpty() || space(value.front()) || space(value.back()) ? value.trimmed() : value;
    if (folded.isEmpty())
        return true;
    if (EqualFolded(folded, column.strHeader))
        return true;
    if (column.kind == EKind::Other || column.kind == EKind::Unknown)
        return EqualFolded(folded, "normal") || EqualFolded(folded, "false") ||
               EqualFolded(folded, "unspecified") || folded == "0.0.00" || folded == "0/0/00";
    return false;
}

bool CHeaderMap::HoldsSeveral(QByteArrayView value) {
    return value.size() >= kSeveral.size() &&
           std::memchr(value.data(), ':', size_t(value.size())) && value.contains(kSeveral);
}

QList<QByteArray> CHeaderMap::SplitValues(const QByteArray& value) {
    if (!HoldsSeveral(value))
        return {value};
    QList<QByteArray> parts;
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = value.indexOf(kSeveral, start);
        parts.append(value.mid(start, at < 0 ? -1 : at - start));
        if (at < 0)
            break;
        start = at + kSeveral.size();
    }
    return parts;
}
