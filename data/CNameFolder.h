#pragma once

#include <QByteArray>
#include <string>

// Folds a stored name into a key for telling whether two names stand for the same person:
// letter case and accents are set aside, commas and runs of blanks count as one blank, and the
// order of the words does not matter, so "Lee, Ann", "ann  lee" and "Ann L\u00e9e" share a key.
// Keys compare as plain bytes; a name of blanks and commas only folds to an empty key.
class CNameFolder {
public:
    static QByteArray Fold(const QByteArray& stored);
    // The same into `key`, whose memory is reused: no allocation for most names.
    static void FoldTo(const QByteArray& stored, std::string& key);
};
