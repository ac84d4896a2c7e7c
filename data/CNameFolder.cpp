#include "CNameFolder.h"

#include "CText.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <string_view>
#include <vector>

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Joins the words of `text` (given as offset and length) in sorted order, one blank apart.
void JoinSorted(const std::string& text, std::vector<std::pair<size_t, size_t>>& words,
                std::string& key) {
    auto view = [&text](const std::pair<size_t, size_t>& w) {
        return std::string_view(text).substr(w.first, w.second);
    };
    if (words.size() > 1)
        std::sort(words.begin(), words.end(),
                  [&view](const auto& a, const auto& b) { return view(a) < view(b); });
    key.clear();
    for (const auto& word : words) {
        if (!key.empty())
            key += ' ';
        key += view(word);
    }
}

void FoldAscii(const QByteArray& name, std::string& key) {
    // Reused from call to call: folding a whole file allocates next to nothing.
    thread_local std::string lower;
    thread_local std::vector<std::pair<size_t, size_t>> words;
    lower.clear();
    words.clear();
    size_t start = 0;
    bool bInWord = false;
    for (char c : name) {
        if (IsSeparator(c)) {
            if (bInWord)
                words.emplace_back(start, lower.size() - start);
            bInWord = false;
            continue;
        }
        if (!bInWord) {
            start = lower.size();
            bInWord = true;
        }
        lower += (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    if (bInWord)
        words.emplace_back(start, lower.size() - start);
    JoinSorted(lower, words, key);
}

void FoldUnicode(const QByteArray& stored, std::string& key) {
    // Letters lose their accents (\u00e9 folds with e), then their case.
    QString text = CText::ToDisplay(stored).normalized(QString::NormalizationForm_KD);
    text.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    const QByteArray folded = text.toCaseFolded().toUtf8();
    std::string plain;
    std::vector<std::pair<size_t, size_t>> words;
    size_t start = 0;
    bool bInWord = false;
    // Separators are ASCII, so the UTF-8 bytes can be split as they are; other blanks (such as
    // a no-break space) became plain blanks through the compatibility form above.
    for (char c : folded) {
        if (IsSeparator(c)) {
            if (bInWord)
                words.emplace_back(start, plain.size() - start);
            bInWord = false;
            continue;
        }
        if (!bInWord) {
            start = plain.size();
            bInWord = true;
        }
        plain += c;
    }
    if (bInWord)
        words.emplace_back(start, plain.size() - start);
    JoinSorted(plain, words, key);
}

} // namespace

void CNameFolder::FoldTo(const QByteArray& stored, std::string& key) {
    const bool bAscii = std::all_of(stored.begin(), stored.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (bAscii)
        FoldAscii(stored, key);
    else
        FoldUnicode(stored, key);
}

QByteArray CNameFolder::Fold(const QByteArray& stored) {
    std::string key;
    FoldTo(stored, key);
    return QByteArray(key.data(), qsizetype(key.size()));
}
