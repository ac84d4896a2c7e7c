#include "CCsvWriter.h"

#include "CTextDecoder.h"

namespace {

void AppendField(QByteArray& out, const QByteArray& stored) {
    const QByteArray value = CTextDecoder::FixValue(stored);
    bool bQuote = !value.isEmpty() && (value.front() == ' ' || value.back() == ' ' ||
                                       value.front() == '\t' || value.back() == '\t');
    for (char c : value) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            bQuote = true;
            break;
        }
    }
    if (!bQuote) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

QByteArray CCsvWriter::Write(const std::vector<const CPerson*>& people) {
    QByteArray out = "Name,Address,City,State,ZIP,Country,Phone,E-mail,Notes,Groups\r\n";
    out.reserve(qsizetype(people.size()) * 200 + out.size());
    for (const CPerson* person : people) {
        for (const QByteArray* field :
             {&person->m_strName, &person->m_strAddress, &person->m_strCity, &person->m_strState,
              &person->m_strZip, &person->m_strCountry, &person->m_strPhone, &person->m_strEmail,
              &person->m_strNotes}) {
            AppendField(out, *field);
            out += ',';
        }
        AppendField(out, person->m_groups.join(" ::: "));
        out += "\r\n";
    }
    return out;
}
