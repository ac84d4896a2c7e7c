#include "CNameFolder.h"

#include "CText.h"

#include <QList>
#include <QString>
#include <algorithm>

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The words of an ASCII name in lower case; commas and blanks separate words.
QList<QByteArray> AsciiWords(const QByteArray& name) {
    QList<QByteArray> words;
    QByteArray word;
    for (char c : name) {
        if (IsSeparator(c)) {
            if (!word.isEmpty())
                words.append(std::exchange(word, QByteArray()));
            continue;
        }
        word.append(c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c);
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

QList<QByteArray> UnicodeWords(const QByteArray& stored) {
    // Letters lose their accents (\u00e9 folds with e), then their case.
    QString text = CText::ToDisplay(stored).normalized(QString::NormalizationForm_KD);
    text.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    text = text.toCaseFolded();
    QList<QByteArray> words;
    QString word;
    for (QChar c : text) {
        if (c.isSpace() || c == QLatin1Char(',')) {
            if (!word.isEmpty())
                words.append(std::exchange(word, QString()).toUtf8());
            continue;
        }
        word.append(c);
    }
    if (!word.isEmpty())
        words.append(word.toUtf8());
    return words;
}

} // namespace

QByteArray CNameFolder::Fold(const QByteArray& stored) {
    const bool bAscii = std::all_of(stored.begin(), stored.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QList<QByteArray> words = bAscii ? AsciiWords(stored) : UnicodeWords(stored);
    if (words.size() > 1)
        std::sort(words.begin(), words.end());
    return words.join(' ');
}
