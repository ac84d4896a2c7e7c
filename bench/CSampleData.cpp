#include "CSampleData.h"

#include "CVornDoc.h"

namespace {

const char* const kFirst[] = {"James", "Mary",   "Robert", "Patricia", "John",  "Jennifer",
                              "Anna",  "Olivia", "Lukas",  "Sofia",    "Mateo", "Chloe",
                              "Noah",  "Emma",   "Hugo",   "Ingrid",   "Yusuf", "Mei"};
const char* const kLast[] = {"Smith",  "Johnson", "Williams", "Brown",   "Jones",  "Garcia",
                             "Miller", "Davis",   "Martinez", "Lopez",   "Wilson", "Anderson",
                             "Thomas", "Taylor",  "Moore",    "Jackson", "Martin", "Lee",
                             "Perez",  "White",   "Harris",   "Sanchez", "Clark",  "Ramirez"};
const char* const kStreet[] = {"Elm St",  "Oak Ave", "Maple Dr",  "Pine Rd", "Cedar Ln",
                               "Main St", "High St", "Park Blvd", "Lake Rd", "Hill Ct"};
const char* const kCity[] = {"Springfield", "Riverton", "Fairview", "Greenville", "Madison",
                             "Georgetown",  "Salem",    "Franklin", "Clinton",    "Arlington"};
const char* const kState[] = {"IL", "CA", "NY", "TX", "WA", "OR", "MA", "FL", "OH", "GA"};

template <typename T, size_t N> const char* Pick(const T (&list)[N], quint32 value) {
    return list[value % N];
}

// A small hash so neighbouring indexes give unrelated entries.
quint32 Mix(quint32 x) {
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

} // namespace

QList<QByteArray> CSampleData::Groups() {
    return {"Family", "Friends", "Work", "Clients", "Suppliers", "Club", "School", "Neighbours"};
}

CPerson CSampleData::MakePerson(int index) {
    const quint32 h = Mix(static_cast<quint32>(index) + 1);
    const quint32 g = Mix(h);
    CPerson person;
    person.m_strName = QByteArray(Pick(kFirst, h)) + ' ' + Pick(kLast, h >> 8);
    if (h % 5 == 0)
        person.m_strName += ' ' + QByteArray::number(index);
    person.m_strAddress = QByteArray::number(1 + h % 9999) + ' ' + Pick(kStreet, h >> 4);
    if (g % 4 == 0)
        person.m_strAddress += "\r\nApt " + QByteArray::number(1 + g % 40);
    person.m_strCity = Pick(kCity, h >> 12);
    person.m_strState = Pick(kState, h >> 16);
    person.m_strZip = QByteArray::number(10000 + h % 89999);
    person.m_strCountry = "United States";
    person.m_strPhone = "Home (555) " + QByteArray::number(100 + g % 900) + '-' +
                        QByteArray::number(1000 + (g >> 10) % 9000);
    if (g % 3 == 0)
        person.m_strPhone += "\r\nWork 555." + QByteArray::number(100 + (g >> 4) % 900) + '.' +
                             QByteArray::number(1000 + (g >> 14) % 9000);
    person.m_strEmail = QByteArray(Pick(kFirst, h)).toLower() + '.' +
                        QByteArray(Pick(kLast, h >> 8)).toLower() + '@' + "example.org";
    if (g % 7 == 0)
        person.m_strNotes = "Met at the conference in " + QByteArray::number(1990 + g % 30) + '.';
    const QList<QByteArray> groups = Groups();
    if (g % 2 == 0)
        person.m_groups.append(groups[g % groups.size()]);
    if (g % 11 == 0)
        person.m_groups.append(groups[(g >> 8) % groups.size()]);
    return person;
}

bool CSampleData::WriteContactFile(const QString& path, int count) {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.OnNewDocument();
    doc.m_groupList = Groups();
    doc.m_personList.reserve(count);
    for (int i = 0; i < count; ++i)
        doc.m_personList.push_back(std::make_unique<CPerson>(MakePerson(i)));
    return doc.OnSaveDocument(path);
}

QByteArray CSampleData::TabLine(int index) {
    const CPerson person = MakePerson(index);
    QByteArray street = person.m_strAddress;
    street.replace("\r\n", " ");
    // The first number only; an entry with one number has no line break (left(-1) is empty).
    const qsizetype end = person.m_strPhone.indexOf('\r');
    const QByteArray phone = end < 0 ? person.m_strPhone : person.m_strPhone.left(end);
    return person.m_strName + '\t' + street + '\t' + person.m_strCity + '\t' + person.m_strState +
           '\t' + person.m_strZip + '\t' + phone.mid(5) + '\t' + person.m_strEmail;
}
