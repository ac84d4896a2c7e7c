#include "CVCardWriter.h"

#include "CTextDecoder.h"

#include <QSet>
#include <cstring>
#include <string>

const char* const CVCardWriter::kProductId = "-//Quorvane//Velloby//EN";

namespace {

QByteArray Utf8(const QByteArray& bytes) {
    return CTextDecoder::FixValue(bytes);
}

// Appends `text`, escaped, to the line being built.
void Esc(std::string& line, const QByteArray& stored) {
    const QByteArray text = Utf8(stored);
    CVCardProperty::AppendEscaped(line, text.constData(), text.size());
}

bool IsToken(const char* p, qsizetype n) {
    if (n == 0)
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-'))
            return false;
    }
    return true;
}

// True when the reader turns TYPE=`label` back into exactly `label`.
bool TypeRoundTrips(const QByteArray& label) {
    CVCardProperty probe;
    probe.m_params.append(CVCardProperty::Param("TYPE", QList<QByteArray>{label}));
    return probe.TypeLabel() == label;
}

// One phone line as TEL properties. "123 (home)" gives TEL;TYPE=home:123 when the reader gives
// back exactly that label; any other bracketed label goes into an X-ABLabel of a group; a line
// whose brackets are no label is written whole.
void AppendPhone(std::string& out, std::string& line, const char* p, qsizetype n, int& nextGroup) {
    line.clear();
    if (n > 0 && p[n - 1] == ')') {
        qsizetype open = n - 2;
        while (open > 0 && !(p[open] == '(' && p[open - 1] == ' '))
            --open;
        if (open > 1) {
            const char* label = p + open + 1;
            const qsizetype labelSize = n - open - 2;
            const QByteArray number = QByteArray::fromRawData(p, open - 1);
            bool bPlain = labelSize > 0 && label[0] != ' ' && label[labelSize - 1] != ' ' &&
                          label[0] != '\t' && label[labelSize - 1] != '\t';
            for (qsizetype i = 0; bPlain && i < labelSize; ++i)
                bPlain = label[i] != '(' && label[i] != ')';
            if (bPlain) {
                const QByteArray text(label, labelSize);
                if (IsToken(label, labelSize) && TypeRoundTrips(text)) {
                    line += "TEL;TYPE=";
                    line.append(text.constData(), size_t(text.size()));
                    line += ':';
                    CVCardProperty::AppendEscaped(line, number.constData(), number.size());
                    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
                    return;
                }
                if (CVCardProperty::ReadableLabel(text) == text) {
                    const std::string group = "item" + std::to_string(nextGroup++);
                    line += group + ".TEL:";
                    CVCardProperty::AppendEscaped(line, number.constData(), number.size());
                    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
                    line = group + ".X-ABLabel:";
                    CVCardProperty::AppendEscaped(line, text.constData(), text.size());
                    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
                    return;
                }
            }
        }
    }
    line += "TEL:";
    CVCardProperty::AppendEscaped(line, p, n);
    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
}

// The properties an entry maps to, in the order they are written. `line` is scratch space.
void AppendPerson(std::string& out, std::string& line, const CPerson& person, bool bWithUid) {
    if (bWithUid) {
        out += "UID:";
        const QByteArray uid = CVCardWriter::Uid(person);
        out.append(uid.constData(), size_t(uid.size()));
        out += "\r\n";
    }
    const QByteArray name = Utf8(person.m_strName);
    line = "FN:";
    CVCardProperty::AppendEscaped(line, name.constData(), name.size());
    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    // N: the last word as family name, the rest as given names; FN holds the name as written.
    const QByteArray trimmed = name.simplified();
    const qsizetype blank = trimmed.lastIndexOf(' ');
    const QByteArray family = blank < 0 ? trimmed : trimmed.mid(blank + 1);
    const QByteArray given = blank < 0 ? QByteArray() : trimmed.left(blank);
    line = "N:";
    CVCardProperty::AppendEscaped(line, family.constData(), family.size());
    line += ';';
    CVCardProperty::AppendEscaped(line, given.constData(), given.size());
    line += ";;;";
    CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    if (!person.m_strAddress.isEmpty() || !person.m_strCity.isEmpty() ||
        !person.m_strState.isEmpty() || !person.m_strZip.isEmpty() ||
        !person.m_strCountry.isEmpty()) {
        line = "ADR:;;";
        Esc(line, person.m_strAddress);
        line += ';';
        Esc(line, person.m_strCity);
        line += ';';
        Esc(line, person.m_strState);
        line += ';';
        Esc(line, person.m_strZip);
        line += ';';
        Esc(line, person.m_strCountry);
        CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    }
    if (!person.m_strPhone.isEmpty()) {
        int nextGroup = 1;
        const QByteArray phone = Utf8(person.m_strPhone);
        const char* p = phone.constData();
        const qsizetype n = phone.size();
        // Lines are parted by CR LF, as the form keeps them; a text with a line feed or a
        // carriage return alone goes whole into one TEL, so its breaks come back as they were.
        bool bPlainBreaks = true;
        for (qsizetype i = 0; i < n && bPlainBreaks; ++i) {
            if (p[i] == '\r')
                bPlainBreaks = i + 1 < n && p[i + 1] == '\n' && (++i, true);
            else if (p[i] == '\n')
                bPlainBreaks = false;
        }
        if (!bPlainBreaks) {
            line = "TEL:";
            CVCardProperty::AppendEscaped(line, p, n);
            CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
        }
        qsizetype start = 0;
        for (qsizetype i = 0; bPlainBreaks && i <= n; ++i) {
            if (i < n && p[i] != '\r' && p[i] != '\n')
                continue;
            AppendPhone(out, line, p + start, i - start, nextGroup);
            if (i < n && p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (!person.m_strEmail.isEmpty()) {
        line = "EMAIL:";
        Esc(line, person.m_strEmail);
        CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    }
    if (!person.m_strNotes.isEmpty()) {
        line = "NOTE:";
        Esc(line, person.m_strNotes);
        CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    }
    if (!person.m_groups.isEmpty()) {
        line = "CATEGORIES:";
        for (qsizetype i = 0; i < person.m_groups.size(); ++i) {
            if (i > 0)
                line += ',';
            Esc(line, person.m_groups[i]);
        }
        CVCard::AppendFolded(out, line.data(), qsizetype(line.size()));
    }
}

QByteArray VersionText(CVCardWriter::Version version) {
    return version == CVCardWriter::Version::V30 ? "3.0" : "4.0";
}

} // namespace

QByteArray CVCardWriter::Uid(const CPerson& person) {
    // Two independent 64-bit FNV-1a style hashes over each part with its length before it, so
    // moving text from one field to the next changes the result too.
    quint64 a = 0xcbf29ce484222325ULL;
    quint64 b = 0x84222325cbf29ce4ULL;
    auto mix = [&](const char* p, qsizetype n) {
        for (qsizetype i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            a = (a ^ c) * 0x100000001b3ULL;
            b = (b ^ c) * 0x1000000001b3ULL + 0x9e3779b97f4a7c15ULL;
        }
    };
    auto add = [&](const QByteArray& part) {
        const quint32 size = quint32(part.size());
        char length[4] = {char(size), char(size >> 8), char(size >> 16), char(size >> 24)};
        mix(length, 4);
        mix(part.constData(), part.size());
    };
    for (const QByteArray* field : {&person.m_strName, &person.m_strAddress, &person.m_strCity,
                                    &person.m_strState, &person.m_strZip, &person.m_strCountry,
                                    &person.m_strPhone, &person.m_strNotes, &person.m_strEmail})
        add(*field);
    for (const QByteArray& group : person.m_groups)
        add(group);
    // Spread the bits of each half over the whole word.
    auto finish = [](quint64 x) {
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        x *= 0xc4ceb9fe1a85ec53ULL;
        x ^= x >> 33;
        return x;
    };
    unsigned char digest[16];
    const quint64 halves[2] = {finish(a), finish(b ^ a)};
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(halves[i / 8] >> (8 * (i % 8)));
    // An RFC 9562 UUID of version 8 (custom content), RFC 4122 variant.
    digest[6] = static_cast<unsigned char>((digest[6] & 0x0F) | 0x80);
    digest[8] = static_cast<unsigned char>((digest[8] & 0x3F) | 0x80);
    static const char hex[] = "0123456789abcdef";
    char text[9 + 36];
    std::memcpy(text, "urn:uuid:", 9);
    int pos = 9;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[pos++] = '-';
        text[pos++] = hex[digest[i] >> 4];
        text[pos++] = hex[digest[i] & 15];
    }
    return QByteArray(text, pos);
}

QByteArray CVCardWriter::Write(const std::vector<const CPerson*>& people, Version version) {
    // Built in a standard string, whose appends are cheap, and copied once at the end.
    std::string out;
    out.reserve(people.size() * 320);
    const std::string head = "BEGIN:VCARD\r\nVERSION:" + VersionText(version).toStdString() +
                             "\r\nPRODID:" + kProductId + "\r\n";
    std::string line;
    line.reserve(256);
    for (const CPerson* person : people) {
        out += head;
        AppendPerson(out, line, *person, true);
        out += "END:VCARD\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

QByteArray CVCardWriter::Merge(const CVCard& original, const CPerson& person, Version version) {
    static const QSet<QByteArray> replaced = {"FN",   "N",          "ADR",     "TEL",  "EMAIL",
                                              "NOTE", "CATEGORIES", "VERSION", "LABEL"};
    // Groups whose every other property is replaced lose their label lines too.
    QSet<QByteArray> keptGroups;
    for (const CVCardProperty& property : original.m_properties)
        if (!property.m_strGroup.isEmpty() && !replaced.contains(property.m_strName) &&
            property.m_strName != "X-ABLABEL")
            keptGroups.insert(property.m_strGroup.toLower());

    QByteArray versionText = original.Version();
    if (versionText != "3.0" && versionText != "4.0")
        versionText = VersionText(version);
    QByteArray out = "BEGIN:VCARD\r\nVERSION:" + versionText + "\r\n";
    bool bHasUid = false;
    for (const CVCardProperty& property : original.m_properties) {
        if (replaced.contains(property.m_strName))
            continue;
        if (property.m_strName == "X-ABLABEL" && !property.m_strGroup.isEmpty() &&
            !keptGroups.contains(property.m_strGroup.toLower()))
            continue;
        bHasUid = bHasUid || property.m_strName == "UID";
        CVCard::AppendFolded(out, property.ToLine());
    }
    std::string tail;
    std::string line;
    AppendPerson(tail, line, person, !bHasUid);
    out.append(tail.data(), qsizetype(tail.size()));
    out += "END:VCARD\r\n";
    return out;
}
