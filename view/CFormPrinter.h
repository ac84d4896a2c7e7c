#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QPainter;
class QPrinter;

// Draws one entry of the form on one page: name, address, place line, country, phone, e-mail
// and notes, one text line under the other in a 14-point fixed-pitch font, one inch from the
// top and half an inch from the left of the printable area. Works on any paint device: the
// printer, the print preview and a PDF file alike.
class CFormPrinter {
public:
    // One logical unit is 1/1440 inch, whatever the device's resolution.
    static constexpr int kUnitsPerInch = 1440;
    static constexpr int kLeft = 720;       // half an inch
    static constexpr int kTop = 1440;       // one inch
    static constexpr int kFontHeight = 280; // 14 points

    // The entry's texts as the form shows them; line breaks are line feeds.
    struct SEntry {
        QString strName;
        QString strAddress;
        QString strCity;
        QString strState;
        QString strZip;
        QString strCountry;
        QString strPhone;
        QString strEmail;
        QString strNotes;
    };

    // The printed lines in order. Empty fields give no line; multi-line fields give one line
    // per line of their text.
    static QStringList Lines(const SEntry& entry);
    // The place line: "city, state " or the one given followed by a blank, then the ZIP code
    // and a blank; empty when all three are empty.
    static QString PlaceLine(const QString& city, const QString& state, const QString& zip);
    // "Courier New" at 14 points, or the closest fixed-pitch font the machine has; its size is
    // in logical units of 1/1440 inch.
    static QFont Font();

    // Draws `lines` with `painter`, which is active on a device of known resolution.
    static void Draw(QPainter& painter, const QStringList& lines);
    // Prints `lines` on one page of `printer`; false when the printer cannot be started (for
    // instance an output file that cannot be written).
    static bool Print(QPrinter& printer, const QStringList& lines);
};
