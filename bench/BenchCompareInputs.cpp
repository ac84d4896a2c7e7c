// Writes the inputs bench/compare.sh gives import --batch and abook, 65,535 rows each, into the
// folder named on the command line:
//   people.txt        tab-separated lines: name, street, city, state, ZIP, phone, e-mail
//   people-abook.csv  the same rows as CSV for abook, whose CSV reading takes name, e-mail,
//                     phone, nickname and notes from the first five columns: name, e-mail,
//                     phone, street, city, state, ZIP
//   wide.csv          16 quoted columns under a header row, the way address book exports are
//                     written; the first five are the ones abook reads, so both programs read
//                     this very file
// Every row comes from CSampleData, so the inputs are the same on every machine.
#include "CSampleData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

constexpr int kRows = 65535;

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A CSV field in quotes, quotes inside doubled.
QByteArray Quoted(QByteArray text) {
    text.replace('"', "\"\"");
    return '"' + text + '"';
}

QByteArray FirstLine(const QByteArray& text) {
    const qsizetype end = text.indexOf('\r');
    return end < 0 ? text : text.left(end);
}

QByteArray SecondLine(const QByteArray& text) {
    const qsizetype end = text.indexOf("\r\n");
    return end < 0 ? QByteArray() : text.mid(end + 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: BenchCompareInputs FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QByteArray tab;
    QByteArray abook;
    QByteArray wide = "\"Name\",\"E-mail\",\"Phone\",\"Nickname\",\"Notes\",\"Address\","
                      "\"Address 2\",\"City\",\"State\",\"ZIP\",\"Country\",\"Work Phone\","
                      "\"Fax\",\"Mobile\",\"Web Page\",\"Anniversary\"\r\n";
    tab.reserve(kRows * 80);
    abook.reserve(kRows * 80);
    wide.reserve(kRows * 200);
    for (int i = 0; i < kRows; ++i) {
        const CPerson person = CSampleData::MakePerson(i);
        const QByteArray phones = person.m_strPhone;
        const QByteArray home = FirstLine(phones).mid(5);
        const QByteArray work = SecondLine(phones).mid(5);
        QByteArray street = person.m_strAddress;
        street.replace("\r\n", " ");
        tab += person.m_strName + '\t' + street + '\t' + person.m_strCity + '\t' +
               person.m_strState + '\t' + person.m_strZip + '\t' + home + '\t' + person.m_strEmail +
               '\n';
        abook += person.m_strName + ',' + person.m_strEmail + ',' + home + ',' + street + ',' +
                 person.m_strCity + ',' + person.m_strState + ',' + person.m_strZip + '\n';
        const QByteArray first = person.m_strName.left(person.m_strName.indexOf(' '));
        QByteArray notes = person.m_strNotes;
        if (i % 9 == 0)
            notes += (notes.isEmpty() ? "" : " ") + QByteArray("Prefers \"Bob\", not Robert");
        const QByteArray cells[16] = {person.m_strName,
                                      person.m_strEmail,
                                      home,
                                      first,
                                      notes,
                                      FirstLine(person.m_strAddress),
                                      SecondLine(person.m_strAddress),
                                      person.m_strCity,
                                      person.m_strState,
                                      person.m_strZip,
                                      person.m_strCountry,
                                      work,
                                      i % 6 == 0 ? home : QByteArray(),
                                      "+1 555 " + QByteArray::number(1000000 + i),
                                      "https://example.org/~" + first.toLower(),
                                      QByteArray()};
        for (int c = 0; c < 16; ++c) {
            wide += Quoted(cells[c]);
            wide += c == 15 ? "\r\n" : ",";
        }
    }
    if (!WriteFile(dir.filePath("people.txt"), tab) ||
        !WriteFile(dir.filePath("people-abook.csv"), abook) ||
        !WriteFile(dir.filePath("wide.csv"), wide)) {
        std::fprintf(stderr, "cannot write the inputs in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
