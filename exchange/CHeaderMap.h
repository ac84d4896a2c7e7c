#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <vector>

// Recognises a header row of a contacts CSV by its column names, case, blanks and punctuation
// ignored: Google's old and new layouts, Outlook in English and German, Thunderbird, Apple,
// Yahoo, LinkedIn, Windows Live Mail and plain headers such as Name;E-Mail;Telefon.
class CHeaderMap {
public:
    enum class EKind {
        Unknown, // not a name we know: its values go to Notes under the column name
        Ignore,  // known, holds nothing worth keeping (phonetic names, e-mail type, photo)
        FullName,
        Given,
        Middle,
        Family,
        Prefix,
        Suffix,
        Nickname,
        Organization,
        Department,
        JobTitle,
        Email,
        EmailLabel,
        Phone,
        PhoneLabel,
        Street,
        Street2,
        Street3,
        PoBox,
        Extended,
        City,
        Region,
        PostalCode,
        Country,
        AddressFormatted,
        AddressLabel,
        Website,
        WebsiteLabel,
        Birthday,
        BirthYear,
        BirthMonth,
        BirthDay,
        Anniversary,
        Notes,
        Groups,
        LabelledLabel, // Custom Field, Relation, Event, IM: the label of a numbered pair
        LabelledValue, // ... and its value
        ImService,
        Other, // a known column without a field of its own: "Column: value" in Notes
    };
    struct Column {
        EKind kind = EKind::Unknown;
        int nSlot = 0;        // numbered groups (E-mail 2, Address 1, Home/Business...) share one
        QByteArray strLabel;  // the label the column gives its values ("Mobile Phone", "Home")
        QByteArray strHeader; // the column name as written, trimmed
    };

    // Recognises the cells of one row (UTF-8).
    static CHeaderMap Recognise(const QList<QByteArray>& cells);

    // True when the row is clearly a header: a name or e-mail column, at least one more known
    // column, and most cells known.
    bool IsHeader() const { return m_bHeader; }
    // True for the header our own CSV export writes; its values are read back exactly.
    bool IsOwnLayout() const { return m_bOwn; }
    qsizetype Recognised() const { return m_nRecognised; }

    std::vector<Column> m_columns;

    // True for a value that only repeats its column name, or an export default that means
    // "empty" (blank, "normal", "false", "0.0.00"...): such a value is no value. Copies nothing.
    static bool IsPlaceholder(QByteArrayView value, const Column& column);
    // A cell that holds several values (" ::: " between them, as Google writes them).
    static bool HoldsSeveral(QByteArrayView value);
    // The values of a cell: the parts between " ::: ", else the cell itself.
    static QList<QByteArray> SplitValues(const QByteArray& value);

private:
    bool m_bHeader = false;
    bool m_bOwn = false;
    qsizetype m_nRecognised = 0;
};
