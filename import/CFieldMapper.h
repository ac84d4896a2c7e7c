#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <functional>

class CImportRecord;
class CPerson;
struct ImportEntry;

// Maps the fields of one import record onto the contact fields: the state of the mapping page
// without its widgets. It holds the shown record's fields (the From rows), each row's target and
// the nine contact values built so far, and proposes a mapping for a record shown the first time.
class CFieldMapper {
public:
    // The targets a field can be mapped to; the number is also the row in the To list.
    enum Target : unsigned {
        kName,
        kAddress,
        kCity,
        kState,
        kZip,
        kPhone,
        kCountry,
        kEmail,
        kNotes,
        kCityStateZip,
        kTargetCount
    };
    // The To list's text for `target`.
    static QString TargetText(unsigned target);

    // Empties the nine values.
    void ClearValues();
    // Makes `entry` the shown record: its fields become the rows, then it is shown as stored or
    // mapped automatically if it never was stored.
    void Show(ImportEntry& entry);
    // Proposes targets for the rows and builds the values from them; the targets are also put
    // in the entry's mapping, which still counts as not stored.
    void AutoMap(ImportEntry& entry);
    // Takes the values and the rows' targets from a stored entry.
    void ShowStored(const ImportEntry& entry);
    // Puts the values and the rows' targets into the entry and marks it stored.
    void StoreCurrent(ImportEntry& entry) const;

    // Manual mapping: takes each of `rows` (at most the first 50, in the order given) off its
    // target, then maps each to `target`.
    void MapRows(const QList<int>& rows, unsigned target);

    // Completes every record after `nCurrent`, the shown one, which is stored first: either by
    // showing and storing each in turn (automatic mapping for records never stored), or, with
    // `bSameMapping`, by applying the shown record's targets to each. `fnStep` runs once per
    // record after the shown one.
    void ProcessRemaining(CImportRecord& records, int nCurrent, bool bSameMapping,
                          const std::function<void()>& fnStep = {});

    // Applies `pattern` field by field to the entry's contact, as far as both reach; joined
    // targets append, single targets replace, the split target splits. The entry's mapping and
    // stored flag do not change.
    static void ApplyPattern(const QList<unsigned>& pattern, ImportEntry& entry);

    // Takes one part out of a value whose parts are separated by line feeds: the first
    // occurrence of `part`, with the line feed after it (or before it, when it ends the value).
    static QByteArray RemovePart(const QByteArray& value, const QByteArray& part);
    // Joins `part` to a value of parts: the value itself when empty, else after a line feed.
    static void Join(QByteArray& value, const QByteArray& part);
    // Divides "City, State Zip" at the first comma and at the first and last blank after it;
    // State keeps the blank before the ZIP. False (nothing set) when the text after the comma
    // has fewer than two blanks, or there is no comma, or, with `bRequireComma`, the comma is
    // the first character.
    static bool SplitCityStateZip(const QByteArray& text, bool bRequireComma, QByteArray& city,
                                  QByteArray& state, QByteArray& zip);
    // Whether `field` looks like a phone number: "(" four characters before ")", or a hyphen.
    static bool IsPhoneLike(QByteArrayView field);

    // A contact value as views of the fields it is made of: one part, or parts joined by line
    // feeds. The batch import writes values this way without copying the fields into texts.
    class ViewValue {
    public:
        // The value becomes `part` alone.
        void Set(QByteArrayView part) {
            m_parts.clear();
            m_parts.append(part);
            m_nSize = part.size();
        }
        // Joins `part` after a line feed, or sets it when the value is still empty (as Join).
        void Join(QByteArrayView part) {
            if (m_nSize == 0) {
                Set(part);
                return;
            }
            m_parts.append(part);
            m_nSize += 1 + part.size();
        }
        void Clear() {
            m_parts.clear();
            m_nSize = 0;
        }
        // The length of the value in bytes, line feeds included.
        qsizetype Size() const { return m_nSize; }
        const QVarLengthArray<QByteArrayView, 4>& Parts() const { return m_parts; }

    private:
        QVarLengthArray<QByteArrayView, 4> m_parts;
        qsizetype m_nSize = 0;
    };
    // The nine values of a contact as views, in the order a contact file stores them.
    struct ViewValues {
        ViewValue m_strName;
        ViewValue m_strAddress;
        ViewValue m_strCity;
        ViewValue m_strState;
        ViewValue m_strZip;
        ViewValue m_strCountry;
        ViewValue m_strPhone;
        ViewValue m_strNotes;
        ViewValue m_strEmail;
        void Clear() {
            for (ViewValue* pValue : {&m_strName, &m_strAddress, &m_strCity, &m_strState, &m_strZip,
                                      &m_strCountry, &m_strPhone, &m_strNotes, &m_strEmail})
                pValue->Clear();
        }
    };
    // The automatic mapping of AutoMap over views of `n` fields: fills `targets` (room for `n`)
    // and `values` (empty on entry) exactly as AutoMap fills the rows' targets and the texts.
    static void AutoMapViews(const QByteArrayView* fields, int n, bool bOneLine, unsigned* targets,
                             ViewValues& values);
    // ApplyPattern over views of `n` fields, into `values` (empty on entry).
    static void ApplyPatternViews(const QList<unsigned>& pattern, const QByteArrayView* fields,
                                  int n, ViewValues& values);

    // The record is laid out as city, state and ZIP in one field.
    bool m_bOneLine = false;

    // The shown record's fields and each one's target.
    QList<QByteArray> m_fields;
    QList<unsigned> m_targets;

    // The contact values, as UTF-8.
    QByteArray m_strName;
    QByteArray m_strAddress;
    QByteArray m_strCity;
    QByteArray m_strState;
    QByteArray m_strZip;
    QByteArray m_strPhone;
    QByteArray m_strCountry;
    QByteArray m_strNotes;
    QByteArray m_strEmail;

private:
    void TakeOff(int row);
    void GiveTarget(int row, unsigned target);
    static void SetTarget(CPerson& person, unsigned target, const QByteArray& field);
};
