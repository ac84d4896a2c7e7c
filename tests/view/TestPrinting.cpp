// Printing the entry the form shows: the lines and their order, the page as a PDF read back
// with pdftotext, the print dialog's page range and the preview's single page.
#include "CFormFixture.h"
#include "CFormPrinter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

// Runs `script` on the modal dialog of type T as soon as it shows.
template <typename T> void OnModal(std::function<void(T*)> script) {
    auto* pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, script] {
        if (auto* pDialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            pTimer->stop();
            pTimer->deleteLater();
            script(pDialog);
        }
    });
    pTimer->start();
}

// A word of the page as pdftotext -bbox reports it, in points from the page's top-left.
struct SWord {
    QString strText;
    double xMin, yMin, xMax, yMax;
};

QString PdfToText(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<SWord> Words(const QString& pdf) {
    const QString html = PdfToText({"-bbox", pdf, "-"});
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<SWord> words;
    for (const auto& match : word.globalMatch(html)) {
        words.append({match.captured(5), match.captured(1).toDouble(), match.captured(2).toDouble(),
                      match.captured(3).toDouble(), match.captured(4).toDouble()});
    }
    return words;
}

// A paint device that records the text drawn on it and where, in device pixels.
class CTextRecorder : public QPaintDevice {
public:
    struct SText {
        QString strText;
        QPointF baseline;
        QFont font;
    };
    explicit CTextRecorder(int dpi) : m_nDpi(dpi), m_engine(this) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    QList<SText> m_texts;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return m_nDpi * 8;
        case PdmHeight:
            return m_nDpi * 11;
        case PdmWidthMM:
            return 8 * 254 / 10;
        case PdmHeightMM:
            return 11 * 254 / 10;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_nDpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class CEngine : public QPaintEngine {
    public:
        explicit CEngine(CTextRecorder* pDevice) : m_pDevice(pDevice) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override {
            m_pDevice->m_texts.append({item.text(), painter()->transform().map(p), item.font()});
        }
        Type type() const override { return User; }

    private:
        CTextRecorder* m_pDevice;
    };
    int m_nDpi;
    mutable CEngine m_engine;
};

// The printer of a test: a PDF file with the page's own margins.
void ToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void printedLines_data();
    void printedLines();
    void pdfOfTypedEntry();
    void emptyFormBlankPage();
    void unwritablePdfReported();
    void printDialogOffersPageOne();
    void previewShowsOnePage();
    void drawnTextAndPlaces_data();
    void drawnTextAndPlaces();
    void fixedPitchFont();

private:
    bool m_bPdfToText = false;
};

void TestPrinting::initTestCase() {
    m_bPdfToText = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

void TestPrinting::printedLines_data() {
    QTest::addColumn<QStringList>("fields"); // name, address, city, state, zip, country, phone,
                                             // e-mail, notes
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty form") << QStringList(9) << QStringList();
    QTest::newRow("city and ZIP, trailing blank")
        << QStringList{"Ann Lee", "", "Paris", "", "75001", "", "", "", ""}
        << QStringList{"Ann Lee", "Paris 75001 "};
    QTest::newRow("city, state and ZIP")
        << QStringList{"Ann", "", "Boston", "MA", "02101", "", "", "", ""}
        << QStringList{"Ann", "Boston, MA 02101 "};
    QTest::newRow("state only") << QStringList{"Ann", "", "", "MA", "", "", "", "", ""}
                                << QStringList{"Ann", "MA "};
    QTest::newRow("ZIP only") << QStringList{"Ann", "", "", "", "02101", "", "", "", ""}
                              << QStringList{"Ann", "02101 "};
    QTest::newRow("every field, in order, multi-line fields split")
        << QStringList{"Ann Lee",
                       "1 Rue\nBat. B\nEtage 3",
                       "Paris",
                       "",
                       "75001",
                       "France",
                       "01 23\n04 56",
                       "ann@example.org",
                       "Likes tea\nand cake"}
        << QStringList{"Ann Lee", "1 Rue", "Bat. B",          "Etage 3",   "Paris 75001 ", "France",
                       "01 23",   "04 56", "ann@example.org", "Likes tea", "and cake"};
    QTest::newRow("no name: the rest still prints")
        << QStringList{"", "", "", "", "", "Peru", "", "", ""} << QStringList{"Peru"};
}

void TestPrinting::printedLines() {
    QFETCH(QStringList, fields);
    QFETCH(QStringList, lines);
    CFormFixture f;
    f.Open({});
    const char* const names[] = {"editName",   "editAddress", "comboCity",
                                 "comboState", "comboZip",    "comboCountry",
                                 "editPhone",  "editEmail",   "editNotes"};
    // Typed, not committed: printing shows what the form shows.
    for (int i = 0; i < 9; ++i) {
        const QStringList parts = fields[i].split('\n');
        for (int j = 0; j < parts.size(); ++j) {
            if (j > 0)
                QTest::keyClick(f.Child<QWidget>(names[i]), Qt::Key_Return);
            if (!parts[j].isEmpty())
                f.Type(names[i], parts[j]);
        }
    }
    // The defaults that City, State, ZIP and Country offer come from the last entry only.
    QCOMPARE(f.m_pView->PrintedLines(), lines);
    QVERIFY(f.m_doc.m_personList.empty());
}

void TestPrinting::pdfOfTypedEntry() {
    if (!m_bPdfToText)
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString pdf = dir.filePath("entry.pdf");
    CFormFixture f;
    CPerson stored;
    stored.m_strName = "Ann Lee";
    stored.m_strAddress = "1 Rue de Rivoli\r\nBatiment B\r\nEtage 3";
    stored.m_strCity = "Paris";
    stored.m_strZip = "75001";
    stored.m_strPhone = "01 23 45 67 89";
    f.Open({stored});
    // An edit not yet committed is what prints.
    f.Type("editEmail", "ann@example.org");
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, pdf);
    QVERIFY(f.m_pView->PrintEntry(printer));

    const QString text = PdfToText({"-layout", pdf, "-"});
    QStringList lines;
    for (const QString& line : text.split('\n')) {
        if (!line.trimmed().isEmpty())
            lines.append(line.trimmed());
    }
    QCOMPARE(lines, QStringList({"Ann Lee", "1 Rue de Rivoli", "Batiment B", "Etage 3",
                                 "Paris 75001", "01 23 45 67 89", "ann@example.org"}));
    // One page only.
    QCOMPARE(text.count(QLatin1Char('\f')), 1);

    // Half an inch from the left and one inch (plus the first line's height) from the top of
    // the printable area; 14-point lines, one under the other.
    const QRectF area = printer.pageLayout().paintRectPoints();
    const QList<SWord> words = Words(pdf);
    QVERIFY(words.size() >= 7);
    QCOMPARE(words[0].strText, QStringLiteral("Ann"));
    QVERIFY2(qAbs(words[0].xMin - (area.left() + 36)) < 1.5,
             qPrintable(QString::number(words[0].xMin)));
    const double height = words[0].yMax - words[0].yMin;
    QVERIFY2(height > 13 && height < 19, qPrintable(QString::number(height)));
    const double top = words[0].yMin - area.top();
    QVERIFY2(top > 72 + 12 && top < 72 + 20, qPrintable(QString::number(top)));
    double lastY = words[0].yMin;
    int nLines = 1;
    for (const SWord& word : words) {
        if (word.yMin > lastY + 1) {
            QVERIFY(qAbs(word.yMin - lastY - height) < 2.5);
            QVERIFY2(qAbs(word.xMin - words[0].xMin) < 0.5, qPrintable(word.strText));
            lastY = word.yMin;
            ++nLines;
        }
    }
    QCOMPARE(nLines, 7);
    // The place line goes to the page with its trailing blank (drawnTextAndPlaces checks the
    // drawing itself; pdftotext drops trailing blanks).
    QCOMPARE(f.m_pView->PrintedLines().at(4), QStringLiteral("Paris 75001 "));
}

void TestPrinting::emptyFormBlankPage() {
    if (!m_bPdfToText)
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString pdf = dir.filePath("blank.pdf");
    CFormFixture f;
    f.Open({});
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, pdf);
    QVERIFY(f.m_pView->PrintEntry(printer));
    const QString text = PdfToText({pdf, "-"});
    QCOMPARE(text.count(QLatin1Char('\f')), 1);
    QCOMPARE(text.trimmed(), QString());
}

void TestPrinting::unwritablePdfReported() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Ann")});
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, QStringLiteral("/nonexistent-folder/entry.pdf"));
    QVERIFY(!f.m_pView->PrintEntry(printer));
    QCOMPARE(f.m_prompt.m_texts.size(), 1);
    QVERIFY(f.m_prompt.m_texts[0].contains(QStringLiteral("\"/nonexistent-folder/entry.pdf\"")));
}

void TestPrinting::printDialogOffersPageOne() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Ann")});
    QTemporaryDir dir;
    ToPdf(f.m_pView->Printer(), dir.filePath("never.pdf"));
    int minPage = 0, maxPage = 0, fromPage = 0, toPage = 0;
    bool bPageRange = false;
    OnModal<QPrintDialog>([&](QPrintDialog* pDialog) {
        minPage = pDialog->minPage();
        maxPage = pDialog->maxPage();
        fromPage = pDialog->fromPage();
        toPage = pDialog->toPage();
        bPageRange = pDialog->testOption(QAbstractPrintDialog::PrintPageRange);
        pDialog->reject();
    });
    f.m_pView->OnFilePrint();
    QCOMPARE(minPage, 1);
    QCOMPARE(maxPage, 1);
    QCOMPARE(fromPage, 1);
    QCOMPARE(toPage, 1);
    QVERIFY(bPageRange);
    // Cancelled: nothing printed.
    QVERIFY(!QFile::exists(dir.filePath("never.pdf")));
    QCOMPARE(f.m_pView->focusWidget(), f.Name());
}

void TestPrinting::previewShowsOnePage() {
    CFormFixture f;
    f.Open({CFormFixture::Person("Ann", "Paris")});
    int nPages = -1;
    OnModal<QPrintPreviewDialog>([&nPages](QPrintPreviewDialog* pDialog) {
        if (auto* pWidget = pDialog->findChild<QPrintPreviewWidget*>())
            nPages = pWidget->pageCount();
        pDialog->reject();
    });
    f.m_pView->OnFilePrintPreview();
    QCOMPARE(nPages, 1);
}

void TestPrinting::drawnTextAndPlaces_data() {
    QTest::addColumn<int>("dpi");
    QTest::newRow("600 dpi") << 600;
    QTest::newRow("1200 dpi") << 1200;
    QTest::newRow("96 dpi") << 96;
}

void TestPrinting::drawnTextAndPlaces() {
    QFETCH(int, dpi);
    const QStringList lines{"Ann Lee", "1 Rue", "Bat. B", "Etage 3", "Paris 75001 ", "France"};
    CTextRecorder device(dpi);
    QPainter painter(&device);
    CFormPrinter::Draw(painter, lines);
    painter.end();
    // Every line as given, the place line with its trailing blank.
    QStringList drawn;
    for (const auto& text : device.m_texts)
        drawn.append(text.strText);
    QCOMPARE(drawn, lines);
    // Half an inch in; the first line's top one line below one inch down; equal steps.
    const QFontMetricsF metrics(CFormPrinter::Font(), &device);
    const double unit = dpi / 1440.0;
    const double step = (metrics.height() + metrics.leading()) * unit;
    for (int i = 0; i < drawn.size(); ++i) {
        const QPointF at = device.m_texts[i].baseline;
        QVERIFY(qAbs(at.x() - dpi / 2.0) < 0.01);
        const double top = at.y() - metrics.ascent() * unit;
        QVERIFY2(qAbs(top - (dpi + (i + 1) * step)) < 0.01, qPrintable(QString::number(top)));
    }
    // 14 points in every resolution: 280 units of 1/1440 inch.
    QCOMPARE(device.m_texts[0].font.pixelSize(), 280);
    QVERIFY(step / dpi * 72 > 14 && step / dpi * 72 < 18);
}

void TestPrinting::fixedPitchFont() {
    const QFont font = CFormPrinter::Font();
    QVERIFY(QFontInfo(font).fixedPitch());
    QCOMPARE(font.pixelSize(), 280);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic());
}

QTEST_MAIN(TestPrinting)
#include "TestPrinting.moc"
