#include "CReportWriter.h"

#include "CPerson.h"

#include <QIODevice>

namespace {

// In the tab-stop layout an entry stays on one line: each carriage return and line feed pair
// of a multi-line text becomes two blanks.
QByteArray OnOneLine(const QByteArray& text) {
    QByteArray line = text;
    line.replace("\r\n", "  ");
    return line;
}

// Writes all of `bytes`; false when the device refuses any of it.
bool WriteAll(QIODevice& device, const QByteArray& bytes) {
    qint64 nDone = 0;
    while (nDone < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + nDone, bytes.size() - nDone);
        if (n <= 0)
            return false;
        nDone += n;
    }
    return true;
}

// Entries are gathered into chunks of about this size before they are written.
constexpr qsizetype kChunk = 64 * 1024;

} // namespace

CReportWriter::CReportWriter(const SOptions& options)
    : m_options(options), m_bHeadingPending(options.nFormat == TabStops) {}

void CReportWriter::TrimEntry(CPerson& person) {
    // QByteArray::trimmed removes the blanks, tabs, line and page breaks of the C locale.
    for (QByteArray CPerson::*pText :
         {&CPerson::m_strName, &CPerson::m_strAddress, &CPerson::m_strCity, &CPerson::m_strState,
          &CPerson::m_strZip, &CPerson::m_strCountry, &CPerson::m_strPhone, &CPerson::m_strEmail,
          &CPerson::m_strNotes}) {
        QByteArray& text = person.*pText;
        if (!text.isEmpty())
            text = text.trimmed();
    }
}

QByteArray CReportWriter::PlaceLine(const CPerson& person, const SOptions& options) {
    const bool bCity = options.bCity && !person.m_strCity.isEmpty();
    const bool bState = options.bState && !person.m_strState.isEmpty();
    QByteArray line;
    if (bCity && bState)
        line = person.m_strCity + ", " + person.m_strState + ' ';
    else if (bCity)
        line = person.m_strCity + ' ';
    else if (bState)
        line = person.m_strState + ' ';
    if (options.bZip && !person.m_strZip.isEmpty())
        line += person.m_strZip + ' ';
    return line.trimmed();
}

QByteArray CReportWriter::Heading() const {
    QByteArray line = "Name\t";
    if (m_options.bAddress)
        line += "Address\t";
    if (m_options.bCity)
        line += "City\t";
    if (m_options.bState)
        line += "State\t";
    if (m_options.bZip)
        line += "ZIP\t";
    if (m_options.bCountry)
        line += "Country\t";
    if (m_options.bPhone)
        line += "Phone\t";
    if (m_options.bEmail)
        line += "email\t";
    if (m_options.bNotes)
        line += "Notes";
    line += '\n';
    return line;
}

QByteArray CReportWriter::LineBreakEntry(const CPerson& person) const {
    QByteArray bytes = person.m_strName + '\n';
    auto add = [&bytes](bool bIncluded, const QByteArray& text) {
        if (bIncluded && !text.isEmpty())
            bytes += text + '\n';
    };
    add(m_options.bAddress, person.m_strAddress);
    add(true, PlaceLine(person, m_options));
    add(m_options.bCountry, person.m_strCountry);
    add(m_options.bPhone, person.m_strPhone);
    add(m_options.bEmail, person.m_strEmail);
    add(m_options.bNotes, person.m_strNotes);
    bytes += " \n";
    return bytes;
}

QByteArray CReportWriter::TabStopEntry(const CPerson& person) const {
    QByteArray bytes = person.m_strName + '\t';
    if (m_options.bAddress)
        bytes += OnOneLine(person.m_strAddress) + '\t';
    if (m_options.bCity)
        bytes += person.m_strCity + '\t';
    if (m_options.bState)
        bytes += person.m_strState + '\t';
    if (m_options.bZip)
        bytes += person.m_strZip + '\t';
    if (m_options.bCountry)
        bytes += person.m_strCountry + '\t';
    if (m_options.bPhone)
        bytes += OnOneLine(person.m_strPhone) + '\t';
    if (m_options.bEmail)
        bytes += person.m_strEmail + '\t';
    if (m_options.bNotes)
        bytes += OnOneLine(person.m_strNotes);
    bytes += " \n";
    return bytes;
}

QByteArray CReportWriter::Entry(const CPerson& person) {
    if (m_options.nFormat != TabStops)
        return LineBreakEntry(person);
    QByteArray bytes;
    if (m_bHeadingPending) {
        bytes = Heading();
        m_bHeadingPending = false;
    }
    return bytes + TabStopEntry(person);
}

QByteArray CReportWriter::Build(const std::vector<CPerson*>& people) {
    QByteArray bytes;
    for (CPerson* pPerson : people) {
        TrimEntry(*pPerson);
        bytes += Entry(*pPerson);
    }
    return bytes;
}

bool CReportWriter::Write(const std::vector<CPerson*>& people, QIODevice& device) {
    QByteArray chunk;
    for (CPerson* pPerson : people) {
        TrimEntry(*pPerson);
        chunk += Entry(*pPerson);
        if (chunk.size() >= kChunk) {
            if (!WriteAll(device, chunk))
                return false;
            chunk.clear();
        }
    }
    return WriteAll(device, chunk);
}
