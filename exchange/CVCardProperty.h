#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <string>
#include <utility>

// One content line of a vCard: `item1.TEL;TYPE=home,voice;PREF=1:+49 30 1234567`. The reader
// keeps every property, known or not, with its parameters, so a card can be written back with
// only some of its properties replaced.
class CVCardProperty {
public:
    using Param = std::pair<QByteArray, QList<QByteArray>>;

    QByteArray m_strGroup;   // "item1" (as written), empty when the property has no group
    QByteArray m_strName;    // upper-cased: "TEL"
    QList<Param> m_params;   // names upper-cased, values as written, in file order; a 2.1
                             // bare word such as HOME is a TYPE, QUOTED-PRINTABLE an ENCODING
    QByteArray m_strRaw;     // the value as in the file, unfolded (kept only on request)
    QByteArray m_strValue;   // quoted-printable and character set resolved, as UTF-8; the
                             // backslash escapes are still in it (see Text and Components)
    bool m_bBinary = false;  // PHOTO, LOGO, SOUND or KEY
    bool m_bLeftOut = false; // its inline data was skipped, so m_strValue is empty

    // Every value of the parameters called `name` (upper case), in order.
    QList<QByteArray> Values(QByteArrayView name) const;
    // True when a TYPE value equals `type`, case ignored.
    bool HasType(QByteArrayView type) const;
    // TYPE=pref (any case) or a PREF parameter.
    bool IsPreferred() const;

    // The label the TYPE values give, as shown after a phone number or e-mail: the words that
    // only say "preferred", "voice" or "internet" left out, the usual words (HOME, WORK, CELL...)
    // in lower case, the rest as written, joined with blanks. Empty when nothing is left.
    QByteArray TypeLabel() const;
    // An Apple label such as _$!<HomePage>!$_ made readable ("Home page"); others unchanged.
    static QByteArray ReadableLabel(const QByteArray& label);

    // The value with the escapes \n \N \, \; \: and \\ resolved; a line break is a line feed.
    QByteArray Text() const {
        return m_strValue.contains('\\') ? Unescape(m_strValue.constData(), m_strValue.size())
                                         : m_strValue;
    }
    // The value split at unescaped semicolons, each part unescaped (N, ADR, ORG).
    QList<QByteArray> Components() const { return Split(m_strValue, ';'); }
    // The value split at unescaped commas, each part unescaped (CATEGORIES, NICKNAME).
    QList<QByteArray> ListValues() const { return Split(m_strValue, ','); }

    // The content line, unfolded, without its line end.
    QByteArray ToLine() const;

    // With `bExact` (files of ours) the line breaks come back as written: \n is CR LF, \N a
    // line feed alone and \r a carriage return alone; otherwise each is a line feed.
    static QByteArray Unescape(const char* data, qsizetype size, bool bExact = false);
    QByteArray ExactText() const {
        return Unescape(m_strValue.constData(), m_strValue.size(), true);
    }
    QList<QByteArray> ExactComponents() const { return Split(m_strValue, ';', true); }
    QList<QByteArray> ExactListValues() const { return Split(m_strValue, ',', true); }
    // Backslash before \ , ; and line breaks escaped: a CR LF pair as \n, a line feed alone as
    // \N (both a line break to any reader, told apart by ours), a carriage return alone as \r.
    static QByteArray Escape(const QByteArray& text);
    // The same, appended to `out`.
    static void AppendEscaped(QByteArray& out, const char* data, qsizetype size);
    static void AppendEscaped(std::string& out, const char* data, qsizetype size);
    static QList<QByteArray> Split(const QByteArray& value, char separator, bool bExact = false);
};
