#include "CVCardParser.h"

#include "CTextDecoder.h"

#include <cstring>

namespace {

// The header of a property (group, name, parameters) is never this long in a real card; a longer
// one without a colon is not a property.
constexpr qsizetype kMaxHeader = 64 * 1024;
constexpr int kMaxWarnings = 20;

bool EqualsNoCase(const char* data, qsizetype size, const char* word) {
    const qsizetype n = qsizetype(std::strlen(word));
    if (size != n)
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        char c = data[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != word[i])
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Quoted-printable to bytes; an "=" that is not followed by two hex digits stays as it is.
QByteArray DecodeQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    const char* p = in.constData();
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '=' && i + 2 < n) {
            const int hi = HexDigit(p[i + 1]);
            const int lo = HexDigit(p[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.append(char(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.append(p[i]);
    }
    return out;
}

QByteArray DecodeCharset(const QByteArray& bytes, const QByteArray& charset, bool& bUnknown) {
    const QByteArray name = charset.toUpper();
    if (name.isEmpty() || name == "UTF-8" || name == "UTF8" || name == "US-ASCII" ||
        name == "ASCII")
        return CTextDecoder::FixValue(bytes);
    if (name == "ISO-8859-1" || name == "ISO-8859-15" || name == "LATIN1" ||
        name == "WINDOWS-1252" || name == "CP1252" || name == "ISO8859-1")
        return CTextDecoder::FromWindows1252(bytes);
    bUnknown = true;
    return CTextDecoder::FixValue(bytes);
}

QByteArray DecodeBase64Text(const QByteArray& in) {
    QByteArray compact;
    compact.reserve(in.size());
    for (char c : in)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            compact.append(c);
    return CTextDecoder::FixValue(QByteArray::fromBase64(compact));
}

bool IsBinaryName(const QByteArray& name) {
    switch (name.size()) {
    case 3:
        return name == QByteArrayView("KEY");
    case 4:
        return name == QByteArrayView("LOGO");
    case 5:
        return name == QByteArrayView("PHOTO") || name == QByteArrayView("SOUND");
    default:
        return false;
    }
}

// The usual property names share one copy, which spares an allocation per property.
QByteArray Interned(const char* name, qsizetype size) {
    static const QByteArray known[] = {"FN",    "N",          "TEL",     "EMAIL",    "ADR",
                                       "NOTE",  "CATEGORIES", "VERSION", "PRODID",   "UID",
                                       "REV",   "ORG",        "TITLE",   "URL",      "BDAY",
                                       "PHOTO", "X-ABLABEL",  "LABEL",   "NICKNAME", "ROLE"};
    for (const QByteArray& candidate : known)
        if (candidate.size() == size && std::memcmp(candidate.constData(), name, size_t(size)) == 0)
            return candidate;
    return QByteArray(name, size);
}

// Splits "item1.TEL;TYPE=home,voice;PREF=1" into its parts.
void ParseHeader(const char* p, qsizetype n, CVCardProperty& property) {
    qsizetype i = 0;
    while (i < n && p[i] != ';')
        ++i;
    const char* name = p;
    qsizetype nameSize = i;
    const void* dot = std::memchr(p, '.', size_t(i));
    if (dot) {
        const qsizetype at = static_cast<const char*>(dot) - p;
        property.m_strGroup = QByteArray(p, at);
        name = p + at + 1;
        nameSize = i - at - 1;
    }
    while (nameSize > 0 && (*name == ' ' || *name == '\t'))
        ++name, --nameSize;
    while (nameSize > 0 && (name[nameSize - 1] == ' ' || name[nameSize - 1] == '\t'))
        --nameSize;
    char upper[24];
    if (nameSize < qsizetype(sizeof upper)) {
        for (qsizetype k = 0; k < nameSize; ++k)
            upper[k] = (name[k] >= 'a' && name[k] <= 'z') ? char(name[k] - 'a' + 'A') : name[k];
        property.m_strName = Interned(upper, nameSize);
    } else {
        property.m_strName = QByteArray(name, nameSize).toUpper();
    }
    while (i < n) {
        ++i; // the semicolon
        QByteArray paramName;
        QList<QByteArray> values;
        QByteArray current;
        bool bHasEquals = false;
        bool bQuoted = false;
        for (; i < n; ++i) {
            const char c = p[i];
            if (bQuoted) {
                if (c == '"')
                    bQuoted = false;
                else
                    current.append(c);
            } else if (c == '"') {
                bQuoted = true;
            } else if (c == ';') {
                break;
            } else if (c == '=' && !bHasEquals) {
                bHasEquals = true;
                paramName = current.trimmed().toUpper();
                current.clear();
            } else if (c == ',' && bHasEquals) {
                values.append(current);
                current.clear();
            } else {
                current.append(c);
            }
        }
        if (bHasEquals) {
            values.append(current);
            if (paramName.isEmpty())
                continue;
        } else {
            // A 2.1 bare word: a transfer encoding, or else a type.
            const QByteArray word = current.trimmed();
            if (word.isEmpty())
                continue;
            const QByteArray upper = word.toUpper();
            if (upper == "QUOTED-PRINTABLE" || upper == "BASE64" || upper == "B" ||
                upper == "8BIT" || upper == "7BIT")
                paramName = "ENCODING";
            else
                paramName = "TYPE";
            values = {paramName == "ENCODING" ? upper : word};
        }
        if (paramName == "ENCODING" || paramName == "VALUE")
            for (QByteArray& value : values)
                value = value.toUpper();
        property.m_params.append({paramName, values});
    }
}

// The first colon outside double quotes; -1 when there is none. Quotes that never close are
// taken as plain characters.
qsizetype FindColon(const char* p, qsizetype n) {
    bool bQuoted = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '"')
            bQuoted = !bQuoted;
        else if (p[i] == ':' && !bQuoted)
            return i;
    }
    if (!bQuoted)
        return -1;
    const void* colon = std::memchr(p, ':', size_t(n));
    return colon ? static_cast<const char*>(colon) - p : -1;
}

} // namespace

CVCardParser::CVCardParser(const QByteArray& text, Options options)
    : m_strText(text), m_options(options) {}

void CVCardParser::Warn(const QString& text) {
    if (m_warnings.size() < kMaxWarnings)
        m_warnings.append(text);
}

CVCardParser::Line CVCardParser::LineAt(qsizetype pos) const {
    const char* data = m_strText.constData();
    const qsizetype n = m_strText.size();
    Line line;
    line.start = pos;
    const char* nl = static_cast<const char*>(std::memchr(data + pos, '\n', size_t(n - pos)));
    qsizetype end = nl ? nl - data : n;
    const char* cr = static_cast<const char*>(std::memchr(data + pos, '\r', size_t(end - pos)));
    if (cr) {
        // A lone CR ends a line too; CR CR LF is one line end.
        end = cr - data;
        qsizetype next = end;
        while (next < n && data[next] == '\r')
            ++next;
        if (next < n && data[next] == '\n')
            ++next;
        line.size = end - pos;
        line.next = next;
        return line;
    }
    line.size = end - pos;
    line.next = nl ? end + 1 : n;
    return line;
}

bool CVCardParser::IsContinuation(qsizetype pos) const {
    return pos < m_strText.size() && (m_strText[pos] == ' ' || m_strText[pos] == '\t');
}

bool CVCardParser::IsMarker(const Line& line, const char* marker) const {
    const char* p = m_strText.constData() + line.start;
    qsizetype n = line.size;
    if (n > 64)
        return false;
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t'))
        --n;
    while (n > 0 && (*p == ' ' || *p == '\t')) {
        ++p;
        --n;
    }
    return EqualsNoCase(p, n, marker);
}

bool CVCardParser::ReadProperty(CVCardProperty& property) {
    const char* data = m_strText.constData();
    Line line = LineAt(m_nPos);
    m_nPos = line.next;
    ++m_nLine;

    // The header, up to the colon; a fold may fall before the colon.
    qsizetype colon = FindColon(data + line.start, line.size);
    QByteArray header;
    qsizetype valueStart = 0; // in the first physical line
    QByteArray valueHead;     // value text already gathered while looking for the colon
    if (colon >= 0) {
        ParseHeader(data + line.start, colon, property);
        valueStart = line.start + colon + 1;
    } else {
        header = QByteArray(data + line.start, std::min(line.size, kMaxHeader));
        // Each added piece is scanned once, so many short folds cost no more than one line.
        bool bQuoted = header.count('"') % 2 != 0;
        while (colon < 0 && IsContinuation(m_nPos) && header.size() < kMaxHeader) {
            const Line more = LineAt(m_nPos);
            m_nPos = more.next;
            ++m_nLine;
            const qsizetype from = header.size();
            header.append(data + more.start + 1, std::min(more.size - 1, kMaxHeader));
            for (qsizetype i = from; i < header.size(); ++i) {
                if (header[i] == '"') {
                    bQuoted = !bQuoted;
                } else if (header[i] == ':' && !bQuoted) {
                    colon = i;
                    break;
                }
            }
        }
        if (colon < 0 && bQuoted)
            colon = header.indexOf(':'); // a quote that never closes is a plain character
        if (colon < 0) {
            // Not a property: skip it with its continuation lines.
            while (IsContinuation(m_nPos)) {
                m_nPos = LineAt(m_nPos).next;
                ++m_nLine;
            }
            ++m_nSkippedLines;
            return false;
        }
        ParseHeader(header.constData(), colon, property);
        valueHead = header.mid(colon + 1);
        valueStart = -1;
    }
    if (property.m_strName.isEmpty()) {
        ++m_nSkippedLines;
        while (IsContinuation(m_nPos))
            m_nPos = LineAt(m_nPos).next;
        return false;
    }

    bool bQuotedPrintable = false;
    bool bBase64 = false;
    if (!property.m_params.isEmpty()) {
        for (const QByteArray& encoding : property.Values("ENCODING")) {
            bQuotedPrintable = bQuotedPrintable || encoding == QByteArrayView("QUOTED-PRINTABLE");
            bBase64 =
                bBase64 || encoding == QByteArrayView("B") || encoding == QByteArrayView("BASE64");
        }
    }
    property.m_bBinary = IsBinaryName(property.m_strName);

    if (property.m_bBinary && !m_options.bKeepBinary) {
        // Step over the data without copying it: its folded lines, and in 2.1 base64 the lines
        // up to the empty line that ends it.
        const qsizetype firstSize =
            valueStart >= 0 ? line.start + line.size - valueStart : valueHead.size();
        bool bAny = firstSize > 0;
        while (IsContinuation(m_nPos)) {
            m_nPos = LineAt(m_nPos).next;
            ++m_nLine;
            bAny = true;
        }
        if (bBase64) {
            // 2.1 writers may leave the base64 lines unindented; they hold no colon.
            while (m_nPos < m_strText.size()) {
                const Line more = LineAt(m_nPos);
                if (more.size == 0 || std::memchr(data + more.start, ':', size_t(more.size)))
                    break;
                m_nPos = more.next;
                ++m_nLine;
            }
        }
        property.m_bLeftOut = bAny;
        return true;
    }

    QByteArray value = valueStart >= 0
                           ? QByteArray(data + valueStart, line.start + line.size - valueStart)
                           : valueHead;
    for (;;) {
        if (bQuotedPrintable && value.endsWith('=') && m_nPos < m_strText.size()) {
            // A soft line break: the next line continues the value as it stands, whatever it
            // starts with; the end of the card is never swallowed.
            const Line more = LineAt(m_nPos);
            if (IsMarker(more, "END:VCARD") || IsMarker(more, "BEGIN:VCARD"))
                break;
            value.chop(1);
            value.append(data + more.start, more.size);
            m_nPos = more.next;
            ++m_nLine;
            continue;
        }
        if (IsContinuation(m_nPos)) {
            const Line more = LineAt(m_nPos);
            value.append(data + more.start + 1, more.size - 1);
            m_nPos = more.next;
            ++m_nLine;
            continue;
        }
        break;
    }
    if (property.m_bBinary && bBase64 && !value.isEmpty()) {
        // Kept on request: 2.1 base64 may run on unindented lines up to an empty one.
        while (m_nPos < m_strText.size()) {
            const Line more = LineAt(m_nPos);
            if (more.size == 0 || std::memchr(data + more.start, ':', size_t(more.size)))
                break;
            value.append(data + more.start, more.size);
            m_nPos = more.next;
        }
    }

    if (m_options.bKeepRaw)
        property.m_strRaw = value;
    if (bQuotedPrintable) {
        bool bUnknown = false;
        const QList<QByteArray> charsets = property.Values("CHARSET");
        const QByteArray charset = charsets.isEmpty() ? QByteArray() : charsets.first();
        property.m_strValue = DecodeCharset(DecodeQuotedPrintable(value), charset, bUnknown);
        if (bUnknown)
            Warn(QStringLiteral("The unknown character set %1 was read as UTF-8 or Windows-1252.")
                     .arg(QString::fromUtf8(charset.left(40))));
    } else if (bBase64 && !property.m_bBinary) {
        property.m_strValue = DecodeBase64Text(value);
    } else {
        property.m_strValue = std::move(value);
    }
    return true;
}

bool CVCardParser::Next(CVCard& card) {
    card.m_properties.clear();
    const qsizetype n = m_strText.size();
    if (!m_bPendingBegin) {
        // Find the next BEGIN:VCARD; anything before it is not part of a card.
        for (;;) {
            if (m_nPos >= n)
                return false;
            const Line line = LineAt(m_nPos);
            m_nPos = line.next;
            ++m_nLine;
            if (IsMarker(line, "BEGIN:VCARD"))
                break;
        }
    }
    m_bPendingBegin = false;
    const qsizetype beginLine = m_nLine;
    while (m_nPos < n) {
        const Line line = LineAt(m_nPos);
        if (line.size == 0) {
            m_nPos = line.next;
            ++m_nLine;
            continue;
        }
        if (IsMarker(line, "END:VCARD")) {
            m_nPos = line.next;
            ++m_nLine;
            return true;
        }
        if (IsMarker(line, "BEGIN:VCARD")) {
            m_nPos = line.next;
            ++m_nLine;
            m_bPendingBegin = true;
            Warn(QStringLiteral("The card at line %1 has no END; the next card starts at line %2.")
                     .arg(beginLine)
                     .arg(m_nLine));
            return true;
        }
        CVCardProperty property;
        if (ReadProperty(property))
            card.m_properties.push_back(std::move(property));
    }
    Warn(QStringLiteral("The card at line %1 has no END; it was read up to the end of the file.")
             .arg(beginLine));
    return true;
}

std::vector<CVCard> CVCardParser::ParseAll(const QByteArray& text, Options options) {
    std::vector<CVCard> cards;
    CVCardParser parser(text, options);
    CVCard card;
    while (parser.Next(card))
        cards.push_back(std::move(card));
    return cards;
}
