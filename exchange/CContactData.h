#pragma once

#include <QByteArray>
#include <QList>
#include <vector>

// One contact as the vCard and CSV readers find it, before it is fitted into the nine fields of
// an entry (CContactMapper). Texts are UTF-8; line breaks may be LF, CR LF or CR.
struct CContactData {
    struct Value {
        QByteArray strLabel; // "home", "Mobile Phone", "Spouse"... empty when there is none
        QByteArray strValue;
        bool bPreferred = false;
    };
    struct Address {
        QByteArray strLabel;
        QByteArray strPoBox;
        QByteArray strExtended;
        QByteArray strStreet;
        QByteArray strCity;
        QByteArray strRegion;
        QByteArray strPostalCode;
        QByteArray strCountry;
        QByteArray strFormatted; // the address as one text, used when it has no parts
        bool bPreferred = false;
        bool IsEmpty() const;
    };

    // The values exactly as a file of ours holds them: the name as it is (even empty), no
    // fall-backs, groups as written.
    bool bExact = false;

    QByteArray strFullName;      // FN, Name, Display Name
    QList<QByteArray> nameParts; // prefix, given, middle, family, suffix (in reading order)
    QByteArray strOrganization;  // also the last fall-back for the name
    std::vector<Value> phones;
    std::vector<Value> emails;
    std::vector<Address> addresses;
    QList<QByteArray> notes;   // the contact's own notes
    std::vector<Value> others; // every other value, written as "Label: value" lines
    QList<QByteArray> groups;
    qsizetype nPhotos = 0;
    qsizetype nSounds = 0;
    qsizetype nKeys = 0;

    // Empties every value, keeping the storage of the lists for the next contact.
    void Clear() {
        bExact = false;
        strFullName.clear();
        nameParts.clear();
        strOrganization.clear();
        phones.clear();
        emails.clear();
        addresses.clear();
        notes.clear();
        others.clear();
        groups.clear();
        nPhotos = nSounds = nKeys = 0;
    }
};
