#include "CVCard.h"

QByteArray CVCard::Version() const {
    const CVCardProperty* version = Find("VERSION");
    return version ? version->m_strValue.trimmed() : QByteArray();
}

const CVCardProperty* CVCard::Find(const QByteArray& name) const {
    for (const CVCardProperty& property : m_properties)
        if (property.m_strName == name)
            return &property;
    return nullptr;
}

QByteArray CVCard::ToBytes() const {
    QByteArray out = "BEGIN:VCARD\r\n";
    for (const CVCardProperty& property : m_properties)
        AppendFolded(out, property.ToLine());
    out += "END:VCARD\r\n";
    return out;
}

void CVCard::AppendFolded(std::string& out, const char* line, qsizetype size) {
    constexpr qsizetype kMax = 75;
    if (size <= kMax) {
        out.append(line, size_t(size));
        out.append("\r\n", 2);
        return;
    }
    qsizetype pos = 0;
    qsizetype room = kMax; // the first line has 75 octets, each continuation a blank and 74
    while (pos < size) {
        qsizetype take = std::min(room, size - pos);
        if (pos + take < size) {
            // Never cut before a UTF-8 continuation byte.
            while (take > 1 && (static_cast<unsigned char>(line[pos + take]) & 0xC0) == 0x80)
                --take;
        }
        if (pos > 0)
            out.push_back(' ');
        out.append(line + pos, size_t(take));
        out.append("\r\n", 2);
        pos += take;
        room = kMax - 1;
    }
}

void CVCard::AppendFolded(QByteArray& out, const char* line, qsizetype size) {
    std::string folded;
    AppendFolded(folded, line, size);
    out.append(folded.data(), qsizetype(folded.size()));
}
