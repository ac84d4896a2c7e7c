#include "CCsvWriter.h"

#include "CGroupsField.h"
#include "CTextDecoder.h"

#include <string>

namespace {

void AppendField(std::string& out, const QByteArray& stored) {
    const QByteArray value = CTextDecoder::FixValue(stored);
    const char* p = value.constData();
    const qsizetype n = value.size();
    // Blanks at the ends are quoted too, so no reader trims them away.
    bool bQuote = n > 0 && (p[0] == ' ' || p[n - 1] == ' ' || p[0] == '\t' || p[n - 1] == '\t');
    for (qsizetype i = 0; i < n && !bQuote; ++i)
        bQuote = p[i] == ',' || p[i] == '"' || p[i] == '\r' || p[i] == '\n';
    if (!bQuote) {
        out.append(p, size_t(n));
        return;
    }
    out.push_back('"');
    qsizetype run = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '"') {
            out.append(p + run, size_t(i + 1 - run));
            out.push_back('"');
            run = i + 1;
        }
    }
    out.append(p + run, size_t(n - run));
    out.push_back('"');
}

} // namespace

QByteArray CCsvWriter::Write(const std::vector<const CPerson*>& people) {
    std::string out = "Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\n";
    out.reserve(people.size() * 200 + out.size());
    for (const CPerson* person : people) {
        for (const QByteArray* field :
             {&person->m_strName, &person->m_strAddress, &person->m_strCity, &person->m_strState,
              &person->m_strZip, &person->m_strCountry, &person->m_strPhone, &person->m_strEmail,
              &person->m_strNotes}) {
            AppendField(out, *field);
            out.push_back(',');
        }
        AppendField(out, CGroupsField::Join(person->m_groups));
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}
