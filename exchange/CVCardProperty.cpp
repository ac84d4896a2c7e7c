#include "CVCardProperty.h"

QList<QByteArray> CVCardProperty::Values(QByteArrayView name) const {
    QList<QByteArray> values;
    for (const Param& param : m_params)
        if (param.first == name)
            values += param.second;
    return values;
}

bool CVCardProperty::HasType(QByteArrayView type) const {
    for (const Param& param : m_params)
        if (param.first == "TYPE")
            for (const QByteArray& value : param.second)
                if (QByteArrayView(value).compare(type, Qt::CaseInsensitive) == 0)
                    return true;
    return false;
}

bool CVCardProperty::IsPreferred() const {
    for (const Param& param : m_params)
        if (param.first == "PREF")
            return true;
    return HasType("pref");
}

QByteArray CVCardProperty::Unescape(const char* data, qsizetype size, bool bExact) {
    if (!memchr(data, '\\', size_t(size)))
        return QByteArray(data, size);
    QByteArray out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\\' || i + 1 == size) {
            out.append(c);
            continue;
        }
        const char next = data[++i];
        switch (next) {
        case 'n':
            if (bExact)
                out.append('\r');
            out.append('\n');
            break;
        case 'N':
            out.append('\n');
            break;
        case 'r':
            if (!bExact) { // not an escape elsewhere
                out.append(c);
                out.append(next);
            } else {
                out.append('\r');
            }
            break;
        case '\\':
        case ',':
        case ';':
        case ':':
            out.append(next);
            break;
        default: // not an escape: keep both characters
            out.append(c);
            out.append(next);
        }
    }
    return out;
}

QByteArray CVCardProperty::Escape(const QByteArray& text) {
    QByteArray out;
    AppendEscaped(out, text.constData(), text.size());
    return out;
}

void CVCardProperty::AppendEscaped(QByteArray& out, const char* p, qsizetype n) {
    std::string escaped;
    AppendEscaped(escaped, p, n);
    out.append(escaped.data(), qsizetype(escaped.size()));
}

void CVCardProperty::AppendEscaped(std::string& out, const char* p, qsizetype n) {
    qsizetype run = 0; // start of the stretch that needs no escape
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c != '\\' && c != ',' && c != ';' && c != '\r' && c != '\n')
            continue;
        out.append(p + run, size_t(i - run));
        switch (c) {
        case '\r':
            if (i + 1 < n && p[i + 1] == '\n') {
                ++i;
                out.append("\\n", 2);
            } else {
                out.append("\\r", 2);
            }
            break;
        case '\n':
            out.append("\\N", 2);
            break;
        default:
            out.push_back('\\');
            out.push_back(c);
        }
        run = i + 1;
    }
    out.append(p + run, size_t(n - run));
}

QList<QByteArray> CVCardProperty::Split(const QByteArray& value, char separator, bool bExact) {
    const char* p = value.constData();
    const qsizetype n = value.size();
    qsizetype count = 1;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\\')
            ++i;
        else if (p[i] == separator)
            ++count;
    }
    QList<QByteArray> parts;
    parts.reserve(count);
    qsizetype start = 0;
    bool bEscaped = false;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && p[i] == '\\') {
            bEscaped = true;
            if (i + 1 < n) // a backslash at the very end escapes nothing
                ++i;
            continue;
        }
        if (i < n && p[i] != separator)
            continue;
        if (i == start)
            parts.append(QByteArray());
        else if (bEscaped)
            parts.append(Unescape(p + start, i - start, bExact));
        else
            parts.append(QByteArray(p + start, i - start));
        start = i + 1;
        bEscaped = false;
    }
    return parts;
}

namespace {

bool NeedsQuotes(const QByteArray& value) {
    for (char c : value)
        if (c == ':' || c == ';' || c == ',' || c == '"')
            return true;
    return false;
}

} // namespace

QByteArray CVCardProperty::ToLine() const {
    QByteArray line;
    line.reserve(m_strName.size() + m_strValue.size() + 16);
    if (!m_strGroup.isEmpty())
        line += m_strGroup + '.';
    line += m_strName;
    const bool bQuotedPrintable = Values("ENCODING").contains("QUOTED-PRINTABLE");
    for (const Param& param : m_params) {
        // The value is written decoded, so its 2.1 transfer encoding and character set go.
        if (bQuotedPrintable && (param.first == "ENCODING" || param.first == "CHARSET"))
            continue;
        line += ';' + param.first;
        for (qsizetype i = 0; i < param.second.size(); ++i) {
            QByteArray value = param.second[i];
            value.replace('"', '\'');
            line += (i == 0 ? "=" : ",");
            line += NeedsQuotes(value) ? '"' + value + '"' : value;
        }
    }
    line += ':';
    if (m_strValue.contains('\n') || m_strValue.contains('\r')) {
        QByteArray value = m_strValue;
        value.replace("\r\n", "\\n").replace('\n', "\\n").replace('\r', "\\n");
        line += value;
    } else {
        line += m_strValue;
    }
    return line;
}

QByteArray CVCardProperty::TypeLabel() const {
    static const QList<QByteArray> kSilent = {"pref", "voice", "internet", "x400", "x-internet"};
    static const QList<QByteArray> kUsual = {
        "home", "work",   "cell",   "fax", "pager",     "video",     "main",   "other",  "car",
        "isdn", "bbs",    "modem",  "msg", "text",      "textphone", "iphone", "mobile", "dom",
        "intl", "postal", "parcel", "aol", "applelink", "ibmmail",   "school"};
    QList<QByteArray> words;
    for (const Param& param : m_params) {
        if (param.first != "TYPE")
            continue;
        for (const QByteArray& value : param.second) {
            const QByteArray word = value.trimmed();
            const QByteArray lower = word.toLower();
            if (word.isEmpty() || kSilent.contains(lower))
                continue;
            const QByteArray shown = kUsual.contains(lower) ? lower : word;
            if (!words.contains(shown))
                words.append(shown);
        }
    }
    return words.join(' ');
}

QByteArray CVCardProperty::ReadableLabel(const QByteArray& label) {
    if (!label.startsWith("_$!<") || !label.endsWith(">!$_") || label.size() <= 8)
        return label;
    const QByteArray inner = label.mid(4, label.size() - 8);
    QByteArray out;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const char c = inner[i];
        if (i > 0 && c >= 'A' && c <= 'Z' && inner[i - 1] >= 'a' && inner[i - 1] <= 'z') {
            out.append(' ');
            out.append(char(c - 'A' + 'a'));
        } else {
            out.append(c);
        }
    }
    return out;
}
