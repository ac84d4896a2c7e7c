#pragma once

#include "CExchangeReport.h"

#include <CPerson.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

// The kind of a file of contacts, as found from its bytes or as the user forces it.
enum class EContactFormat {
    Auto,      // find out from the bytes (Detect)
    VCard,     // vCard 2.1, 3.0 or 4.0, many cards per file
    Csv,       // a delimited file whose first row (after any preamble) names the columns
    Delimited, // plain delimited text: no header row recognised; the wizard's own rules apply
};

// Reads the contacts of a vCard or CSV file into entries. No widgets.
class CContactReader {
public:
    struct Result {
        std::vector<CPerson> people;
        CExchangeReport report;
        EContactFormat format = EContactFormat::Delimited; // the format actually read
    };

    // The format of `bytes` (any encoding): VCard when a card begins in the first lines, Csv
    // when a header row of a known layout or of recognised column names is found, otherwise
    // Delimited.
    static EContactFormat Detect(const QByteArray& bytes);

    // Reads every contact of `bytes` as `format` (Auto: as detected). False, with `pError`
    // saying why, when nothing could be read, when the file holds more than 65,535 contacts, or
    // when `format` is Delimited (plain text is the wizard's own). Texts are stored as UTF-8.
    static bool Read(const QByteArray& bytes, EContactFormat format, Result& result,
                     QString* pError = nullptr);

    using PersonFn = std::function<void(CPerson&)>;
    using DoneFn = std::function<void(const char* pReadTo)>;
    // Reads as Read does, but hands each contact to `fnPerson` as soon as it is read instead of
    // keeping it in `result.people`, so memory holds one contact at a time. The texts of a
    // contact handed over may point into the bytes read: they are good until `fnPerson`
    // returns, and whatever keeps them longer must copy their bytes (a copy of the QByteArray
    // alone would still point into them). The report and the format are filled as by Read.
    // Contacts may have been handed over before a failure (more than 65,535 of them). For CSV,
    // `fnDone` (when given) learns after each contact up to where the text is read: nothing
    // before that point is looked at again. The text is `bytes` itself when they are UTF-8
    // without a byte-order mark.
    static bool ReadEach(const QByteArray& bytes, EContactFormat format, Result& result,
                         const PersonFn& fnPerson, QString* pError = nullptr,
                         const DoneFn& fnDone = {});

    // The nine texts of an entry without groups, in the order a contact file stores them
    // (name, address, city, state, ZIP, country, phone, notes, e-mail).
    using TextsFn = std::function<void(const QByteArrayView* pTexts)>;
    // Reads as ReadEach does, but hands the common rows of a CSV file (one value a cell, on one
    // line, no groups) to `fnTexts` as the nine texts of their entry, without making a CPerson;
    // every other contact goes to `fnPerson`. The entries are the ones ReadEach gives, in the
    // same order. The texts are good until `fnTexts` returns.
    static bool ReadEach(const QByteArray& bytes, EContactFormat format, Result& result,
                         const PersonFn& fnPerson, const TextsFn& fnTexts, QString* pError,
                         const DoneFn& fnDone);

    // Takes the contacts of one part of a file, as the functions of ReadEach do.
    class IPartSink {
    public:
        virtual ~IPartSink() = default;
        // Before the first contact (first part only): whether the contacts can have groups.
        // False keeps a CSV file in one part.
        virtual bool Begin(bool bGroups) {
            Q_UNUSED(bGroups);
            return true;
        }
        virtual void TakePerson(CPerson& person) = 0;
        virtual void TakeTexts(const QByteArrayView* pTexts) = 0;
        // Nothing before `pReadTo` is looked at again (as DoneFn; first part only).
        virtual void Done(const char* pReadTo) = 0;
        // Forgets every contact taken: the other part reads them again.
        virtual void Forget() = 0;
    };
    // Reads as ReadEach with texts does, but a large CSV file is read in two parts at once, on
    // two threads: the rows up to a row boundary near the middle go to `first`, on this thread,
    // and the others to `second`, on a thread of its own, so the contacts in the order of the
    // file are those of `first` followed by those of `second`. Where the second part starts is
    // a guess (the line end after the middle), checked when the first part is read: when the
    // first part did not end exactly there (a quoted cell with line breaks across it, an
    // unclosed quote), or the second part has something to warn about, `second` forgets its
    // contacts and `first` reads on to the end, so the result is always that of ReadEach. The
    // second part's bytes are never given up, since they may be read again. Other files, small
    // ones, and files whose first part says so at Begin go to `first` alone. `bPlainAscii`:
    // the caller has found `bytes` to be ASCII without a NUL byte, so they are read as they are.
    static bool ReadInParts(const QByteArray& bytes, EContactFormat format, Result& result,
                            IPartSink& first, IPartSink& second, QString* pError,
                            bool bPlainAscii = false);

private:
    static bool Read(const QByteArray& bytes, EContactFormat format, Result& result,
                     IPartSink& first, IPartSink* pSecond, bool bTexts, bool bViews,
                     QString* pError, bool bPlainAscii = false);
};
