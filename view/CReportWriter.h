#pragma once

#include <QByteArray>
#include <vector>

class CPerson;
class QIODevice;

// Builds the formatted report of a list of entries: plain bytes, each line the report ends
// closed by a single line feed. Two layouts: one field per line for word processors, or one
// entry per line with tab-separated columns for spreadsheets. Values are written as stored,
// neither quoted nor escaped.
class CReportWriter {
public:
    enum Format { LineBreaks = 0, TabStops = 1 };

    // What the report holds; the name is always written.
    struct SOptions {
        bool bAddress = true;
        bool bCity = true;
        bool bState = true;
        bool bZip = true;
        bool bCountry = true;
        bool bPhone = true;
        bool bEmail = false;
        bool bNotes = true;
        int nFormat = LineBreaks;
    };

    explicit CReportWriter(const SOptions& options);

    // Removes white space at both ends of the entry's nine texts, in the entry itself.
    static void TrimEntry(CPerson& person);
    // The place line of the line-break layout: city and state (joined by ", " when both are
    // included and given), then the ZIP code, trimmed at both ends. Empty when there is none.
    static QByteArray PlaceLine(const CPerson& person, const SOptions& options);
    // The heading line of the tab-stop layout, line feed included.
    QByteArray Heading() const;
    // The bytes of one entry in the chosen layout. In the tab-stop layout the heading line comes
    // before the first entry passed here.
    QByteArray Entry(const CPerson& person);

    // The whole report of `people`, in order, each entry trimmed first (the entries change).
    QByteArray Build(const std::vector<CPerson*>& people);
    // Writes the report of `people` to `device`, trimming each entry just before it is
    // written. Stops at the first write that fails and returns false; what was written and the
    // entries trimmed so far stay as they are.
    bool Write(const std::vector<CPerson*>& people, QIODevice& device);

private:
    QByteArray LineBreakEntry(const CPerson& person) const;
    QByteArray TabStopEntry(const CPerson& person) const;

    SOptions m_options;
    bool m_bHeadingPending;
};
