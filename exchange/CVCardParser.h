#pragma once

#include "CVCard.h"

#include <QByteArray>
#include <QStringList>

// Reads the cards of a vCard 2.1, 3.0 or 4.0 text one at a time: lines unfolded (CRLF, LF, a lone
// CR and the CR CR LF some phones write), quoted-printable values with their soft line breaks and
// CHARSET decoded, 2.1 bare parameter words taken as TYPE or ENCODING. Inline binary data (PHOTO,
// LOGO, SOUND, KEY) is stepped over without being copied, unless asked for. Works on any bytes in
// time linear in their size.
class CVCardParser {
public:
    struct Options {
        bool bKeepRaw = false;    // fill CVCardProperty::m_strRaw
        bool bKeepBinary = false; // keep the inline data of PHOTO, LOGO, SOUND and KEY
    };

    // `text` must be UTF-8 (see CTextDecoder) and must outlive the parser.
    explicit CVCardParser(const QByteArray& text) : CVCardParser(text, Options{}) {}
    CVCardParser(const QByteArray& text, Options options);

    // Fills `card` with the next card; false when no card is left.
    bool Next(CVCard& card);

    // Every card of `text`.
    static std::vector<CVCard> ParseAll(const QByteArray& text, Options options);
    static std::vector<CVCard> ParseAll(const QByteArray& text) {
        return ParseAll(text, Options{});
    }

    // What did not read cleanly so far ("a card without END was read up to the end of the file").
    const QStringList& Warnings() const { return m_warnings; }
    // Lines inside cards that were not properties and were skipped.
    qsizetype SkippedLines() const { return m_nSkippedLines; }

private:
    struct Line {
        qsizetype start = 0;
        qsizetype size = 0;
        qsizetype next = 0; // where the following line starts
    };
    Line LineAt(qsizetype pos) const;
    bool IsContinuation(qsizetype pos) const;
    bool IsMarker(const Line& line, const char* marker) const;
    // Reads the logical line starting at m_nPos into `property`; false when it was no property.
    bool ReadProperty(CVCardProperty& property);
    void Warn(const QString& text);

    const QByteArray& m_strText;
    Options m_options;
    qsizetype m_nPos = 0;
    qsizetype m_nLine = 0;
    bool m_bPendingBegin = false; // a BEGIN inside a card started the next card
    qsizetype m_nSkippedLines = 0;
    QStringList m_warnings;
};
