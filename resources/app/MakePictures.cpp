// Draws the pictures of the contact manager's shell: the toolbar images (16 x 15), the program
// icon at the usual desktop sizes and the start-up picture (239 x 94). Run once, by hand, when a
// picture changes; the PNG files it writes beside this file are what the program compiles in:
//   g++ -std=c++20 -fPIC MakePictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/mkpics
//   QT_QPA_PLATFORM=offscreen /tmp/mkpics resources/app
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A sheet of paper with a folded corner.
void Paper(QPainter& p, const QRectF& r, const QColor& fill) {
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 60), 1));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

// The program's mark: an address card with a head-and-shoulders outline and text lines.
void Logo(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = r.width() / 16.0;
    QLinearGradient grad(r.topLeft(), r.bottomRight());
    grad.setColorAt(0, QColor(70, 130, 200));
    grad.setColorAt(1, QColor(20, 60, 130));
    p.setPen(QPen(QColor(15, 35, 80), qMax(1.0, u * 0.6)));
    p.setBrush(grad);
    p.drawRoundedRect(r.adjusted(u * 0.5, u * 2, -u * 0.5, -u * 2), u * 1.5, u * 1.5);
    // Head and shoulders.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 230, 160));
    p.drawEllipse(QPointF(r.left() + u * 4.5, r.top() + u * 6.5), u * 1.7, u * 1.7);
    QPainterPath body;
    body.moveTo(r.left() + u * 1.8, r.top() + u * 12);
    body.quadTo(r.left() + u * 4.5, r.top() + u * 7.2, r.left() + u * 7.2, r.top() + u * 12);
    body.closeSubpath();
    p.drawPath(body);
    // Text lines.
    p.setBrush(QColor(235, 240, 250));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(
            QRectF(r.left() + u * 8.5, r.top() + u * (5.5 + i * 2.2), u * (5.8 - i), u * 1.1),
            u * 0.4, u * 0.4);
    p.restore();
}

void Save(const QImage& image, const QDir& dir, const QString& name) {
    image.save(dir.filePath(name), "PNG");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const QColor ink(30, 30, 50);

    { // New: a blank sheet.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        Paper(p, QRectF(3.5, 0.5, 9, 13), Qt::white);
        Save(img, dir, "tb-new.png");
    }
    { // Open: a yellow folder, opening.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(230, 190, 60));
        p.drawRect(QRectF(0.5, 3.5, 12, 10));
        p.setBrush(QColor(250, 220, 110));
        QPolygonF lid;
        lid << QPointF(2.5, 6.5) << QPointF(15.5, 6.5) << QPointF(12.5, 13.5) << QPointF(0.5, 13.5);
        p.drawPolygon(lid);
        p.drawLine(QPointF(1.5, 2.5), QPointF(5.5, 2.5));
        Save(img, dir, "tb-open.png");
    }
    { // Save: a diskette.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(60, 90, 160));
        p.drawRect(QRectF(1.5, 0.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 0.5, 9, 6));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.5, 9.5, 7, 4));
        Save(img, dir, "tb-save.png");
    }
    { // Cut: scissors.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.drawLine(QPointF(5, 1), QPointF(10, 9.5));
        p.drawLine(QPointF(11, 1), QPointF(6, 9.5));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(180, 30, 30), 1.5));
        p.drawEllipse(QPointF(4.5, 11.5), 2.3, 2.3);
        p.drawEllipse(QPointF(11.5, 11.5), 2.3, 2.3);
        Save(img, dir, "tb-cut.png");
    }
    { // Copy: two sheets.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        Paper(p, QRectF(0.5, 0.5, 8, 10), Qt::white);
        Paper(p, QRectF(6.5, 3.5, 8, 11), QColor(235, 240, 255));
        Save(img, dir, "tb-copy.png");
    }
    { // Paste: a clipboard with a sheet.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(170, 120, 60));
        p.drawRect(QRectF(0.5, 1.5, 10, 13));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 0.5, 4, 2));
        Paper(p, QRectF(6.5, 4.5, 8, 10), Qt::white);
        Save(img, dir, "tb-paste.png");
    }
    { // Print: a printer with a sheet.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 0.5, 7, 5));
        p.setBrush(QColor(170, 170, 180));
        p.drawRect(QRectF(0.5, 5.5, 15, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        p.setPen(QColor(40, 160, 60));
        p.drawPoint(13, 7);
        Save(img, dir, "tb-print.png");
    }
    { // About: a question mark in a blue disc.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 50, 120), 1));
        p.setBrush(QColor(60, 110, 200));
        p.drawEllipse(QRectF(1, 0.5, 14, 14));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1, 0.5, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        Save(img, dir, "tb-about.png");
    }
    { // Synchronize Now: two curved arrows chasing each other round a circle.
        QImage img = Blank(16, 15);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor green(30, 130, 70);
        p.setPen(QPen(green, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(2.5, 2, 11, 11);
        p.drawArc(ring, 20 * 16, 140 * 16);
        p.drawArc(ring, 200 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        QPolygonF head1;
        head1 << QPointF(10.5, 0.5) << QPointF(14.5, 4.5) << QPointF(9.5, 5.5);
        p.drawPolygon(head1);
        QPolygonF head2;
        head2 << QPointF(5.5, 14.5) << QPointF(1.5, 10.5) << QPointF(6.5, 9.5);
        p.drawPolygon(head2);
        Save(img, dir, "tb-sync.png");
    }
    // The program icon.
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QImage img = Blank(size, size);
        QPainter p(&img);
        Logo(p, QRectF(0, 0, size, size));
        Save(img, dir, QStringLiteral("velloby-%1.png").arg(size));
    }
    { // The start-up picture: name, version and mark.
        QImage img(239, 94, QImage::Format_RGB32);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient grad(0, 0, 239, 94);
        grad.setColorAt(0, QColor(245, 248, 255));
        grad.setColorAt(1, QColor(200, 215, 240));
        p.fillRect(img.rect(), grad);
        p.setPen(QPen(QColor(20, 50, 110), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, 237, 92));
        Logo(p, QRectF(10, 15, 64, 64));
        QFont title(QStringLiteral("DejaVu Serif"));
        title.setPixelSize(34);
        title.setBold(true);
        p.setFont(title);
        p.setPen(QColor(20, 50, 110));
        p.drawText(QRectF(82, 12, 150, 44), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Velloby"));
        QFont sub(QStringLiteral("DejaVu Sans"));
        sub.setPixelSize(13);
        p.setFont(sub);
        p.setPen(QColor(40, 40, 60));
        p.drawText(QRectF(84, 54, 150, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Version 1.5"));
        p.drawText(QRectF(84, 70, 150, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Contact manager"));
        Save(img, dir, "splash.png");
    }
    return 0;
}
