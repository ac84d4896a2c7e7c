#pragma once

#include <QString>
#include <QStringList>

// What one read of a vCard or CSV file gave and what it could not keep, so the programs can tell
// the user ("3 photos were not imported: the contact file has no place for pictures").
struct CExchangeReport {
    qsizetype nContacts = 0; // contacts read into entries
    qsizetype nPhotos = 0;   // PHOTO and LOGO values left out
    qsizetype nSounds = 0;   // SOUND values left out
    qsizetype nKeys = 0;     // KEY values left out
    qsizetype nSkipped = 0;  // cards or rows that could not be read at all
    // One line for each other thing worth telling ("a card without END was read up to the end
    // of the file", "an unclosed quote at line 12 was read as plain text").
    QStringList warnings;

    // The lines to show or print: one for each kind of value left out and each warning; empty
    // when everything was kept.
    QStringList Summary() const;
};
