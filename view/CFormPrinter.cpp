#include "CFormPrinter.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace {

void AddLines(QStringList& lines, const QString& text) {
    if (text.isEmpty())
        return;
    lines.append(text.split(QLatin1Char('\n')));
}

bool IsFixedPitch(const QFont& font) {
    return QFontInfo(font).fixedPitch();
}

} // namespace

QString CFormPrinter::PlaceLine(const QString& city, const QString& state, const QString& zip) {
    QString line;
    if (!city.isEmpty() && !state.isEmpty())
        line = city + QStringLiteral(", ") + state + QLatin1Char(' ');
    else if (!city.isEmpty())
        line = city + QLatin1Char(' ');
    else if (!state.isEmpty())
        line = state + QLatin1Char(' ');
    if (!zip.isEmpty())
        line += zip + QLatin1Char(' ');
    return line;
}

QStringList CFormPrinter::Lines(const SEntry& entry) {
    QStringList lines;
    if (!entry.strName.isEmpty())
        lines.append(entry.strName);
    AddLines(lines, entry.strAddress);
    const QString place = PlaceLine(entry.strCity, entry.strState, entry.strZip);
    if (!place.isEmpty())
        lines.append(place);
    if (!entry.strCountry.isEmpty())
        lines.append(entry.strCountry);
    AddLines(lines, entry.strPhone);
    if (!entry.strEmail.isEmpty())
        lines.append(entry.strEmail);
    AddLines(lines, entry.strNotes);
    return lines;
}

QFont CFormPrinter::Font() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    if (!IsFixedPitch(font)) {
        // No Courier New and no alias for it: the nearest fixed-pitch face there is.
        for (const QString& family :
             {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
              QFontDatabase::systemFont(QFontDatabase::FixedFont).family()}) {
            font.setFamily(family);
            if (IsFixedPitch(font))
                break;
        }
    }
    // The painter works in 1/1440 inch, so a pixel of the font is one such unit.
    font.setPixelSize(kFontHeight);
    return font;
}

void CFormPrinter::Draw(QPainter& painter, const QStringList& lines) {
    const QPaintDevice* pDevice = painter.device();
    if (!pDevice)
        return;
    painter.save();
    painter.scale(pDevice->logicalDpiX() / double(kUnitsPerInch),
                  pDevice->logicalDpiY() / double(kUnitsPerInch));
    const QFont font = Font();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, pDevice);
    const double lineHeight = metrics.height() + metrics.leading();
    // Each line moves the pen down by one line height before it is drawn with its top there.
    double y = kTop;
    for (const QString& line : lines) {
        y += lineHeight;
        painter.drawText(QPointF(kLeft, y + metrics.ascent()), line);
    }
    painter.restore();
}

bool CFormPrinter::Print(QPrinter& printer, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    Draw(painter, lines);
    return painter.end();
}
