#include "CVCardWriter.h"

#include "CTextDecoder.h"

#include <QCryptographicHash>
#include <QSet>

const char* const CVCardWriter::kProductId = "-//Quorvane//Velloby//EN";

namespace {

QByteArray Utf8(const QByteArray& bytes) {
    return CTextDecoder::FixValue(bytes);
}

QByteArray Esc(const QByteArray& bytes) {
    return CVCardProperty::Escape(Utf8(bytes));
}

// Splits a text at its line breaks (CR LF, LF or CR).
QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.append(text.mid(start, i - start));
            if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

bool IsToken(const QByteArray& word) {
    if (word.isEmpty())
        return false;
    for (char c : word)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-'))
            return false;
    return true;
}

// One phone line as TEL properties. "123 (home)" gives TEL;TYPE=home:123 when the reader gives
// back exactly that label; any other bracketed label goes into an X-ABLabel of a group; a line
// whose brackets are no label is written whole.
void AppendPhone(QByteArray& out, const QByteArray& line, int& nextGroup) {
    if (line.endsWith(')')) {
        const qsizetype open = line.lastIndexOf(" (");
        if (open > 0) {
            const QByteArray number = line.left(open);
            const QByteArray label = line.mid(open + 2, line.size() - open - 3);
            const bool bPlain = !label.isEmpty() && !label.contains('(') && !label.contains(')') &&
                                label == label.trimmed();
            if (bPlain && IsToken(label)) {
                CVCardProperty probe;
                probe.m_params.append(CVCardProperty::Param("TYPE", QList<QByteArray>{label}));
                if (probe.TypeLabel() == label) {
                    CVCard::AppendFolded(out, "TEL;TYPE=" + label + ':' + Esc(number));
                    return;
                }
            }
            if (bPlain && CVCardProperty::ReadableLabel(label) == label) {
                const QByteArray group = "item" + QByteArray::number(nextGroup++);
                CVCard::AppendFolded(out, group + ".TEL:" + Esc(number));
                CVCard::AppendFolded(out, group + ".X-ABLabel:" + Esc(label));
                return;
            }
        }
    }
    CVCard::AppendFolded(out, "TEL:" + Esc(line));
}

// The properties an entry maps to, in the order they are written.
void AppendPerson(QByteArray& out, const CPerson& person, bool bWithUid) {
    if (bWithUid)
        out += "UID:" + CVCardWriter::Uid(person) + "\r\n";
    const QByteArray name = Utf8(person.m_strName);
    CVCard::AppendFolded(out, "FN:" + CVCardProperty::Escape(name));
    // N: the last word as family name, the rest as given names; FN holds the name as written.
    const QByteArray trimmed = name.simplified();
    const qsizetype blank = trimmed.lastIndexOf(' ');
    const QByteArray family = blank < 0 ? trimmed : trimmed.mid(blank + 1);
    const QByteArray given = blank < 0 ? QByteArray() : trimmed.left(blank);
    CVCard::AppendFolded(out, "N:" + CVCardProperty::Escape(family) + ';' +
                                  CVCardProperty::Escape(given) + ";;;");
    if (!person.m_strAddress.isEmpty() || !person.m_strCity.isEmpty() ||
        !person.m_strState.isEmpty() || !person.m_strZip.isEmpty() ||
        !person.m_strCountry.isEmpty())
        CVCard::AppendFolded(out, "ADR:;;" + Esc(person.m_strAddress) + ';' +
                                      Esc(person.m_strCity) + ';' + Esc(person.m_strState) + ';' +
                                      Esc(person.m_strZip) + ';' + Esc(person.m_strCountry));
    if (!person.m_strPhone.isEmpty()) {
        int nextGroup = 1;
        for (const QByteArray& line : Lines(Utf8(person.m_strPhone)))
            AppendPhone(out, line, nextGroup);
    }
    if (!person.m_strEmail.isEmpty())
        CVCard::AppendFolded(out, "EMAIL:" + Esc(person.m_strEmail));
    if (!person.m_strNotes.isEmpty())
        CVCard::AppendFolded(out, "NOTE:" + Esc(person.m_strNotes));
    if (!person.m_groups.isEmpty()) {
        QByteArray line = "CATEGORIES:";
        for (qsizetype i = 0; i < person.m_groups.size(); ++i) {
            if (i > 0)
                line += ',';
            line += Esc(person.m_groups[i]);
        }
        CVCard::AppendFolded(out, line);
    }
}

QByteArray VersionText(CVCardWriter::Version version) {
    return version == CVCardWriter::Version::V30 ? "3.0" : "4.0";
}

} // namespace

QByteArray CVCardWriter::Uid(const CPerson& person) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QByteArray* field : {&person.m_strName, &person.m_strAddress, &person.m_strCity,
                                    &person.m_strState, &person.m_strZip, &person.m_strCountry,
                                    &person.m_strPhone, &person.m_strNotes, &person.m_strEmail}) {
        hash.addData(QByteArray::number(field->size()));
        hash.addData(QByteArrayView(":", 1));
        hash.addData(*field);
    }
    for (const QByteArray& group : person.m_groups) {
        hash.addData(QByteArray::number(group.size()));
        hash.addData(QByteArrayView("g", 1));
        hash.addData(group);
    }
    QByteArray digest = hash.result().left(16);
    // A name-based UUID (version 5, RFC 4122 variant).
    digest[6] = char((digest[6] & 0x0F) | 0x50);
    digest[8] = char((digest[8] & 0x3F) | 0x80);
    const QByteArray hex = digest.toHex();
    return "urn:uuid:" + hex.left(8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
           hex.mid(16, 4) + '-' + hex.mid(20);
}

QByteArray CVCardWriter::Write(const std::vector<const CPerson*>& people, Version version) {
    QByteArray out;
    out.reserve(qsizetype(people.size()) * 320);
    const QByteArray head =
        "BEGIN:VCARD\r\nVERSION:" + VersionText(version) + "\r\nPRODID:" + kProductId + "\r\n";
    for (const CPerson* person : people) {
        out += head;
        AppendPerson(out, *person, true);
        out += "END:VCARD\r\n";
    }
    return out;
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
    AppendPerson(out, person, !bHasUid);
    out += "END:VCARD\r\n";
    return out;
}
