// The wizard's "&Done" over 65,535 records ("Process all records using default mappings"
// from the first record), with the progress window shown and repainting, and the records step
// before it. Runs on the offscreen platform unless another is chosen.
#include "BenchUtil.h"
#include "CFieldSplitter.h"
#include "CImportMapDlg.h"
#include "CImportProgressDlg.h"
#include "CSampleData.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>

namespace {

// Counts the paint events of the progress window and its controls.
class CPaintCounter : public QObject {
public:
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            for (QObject* o = watched; o; o = o->parent()) {
                if (qobject_cast<CImportProgressDlg*>(o)) {
                    ++m_nPaints;
                    break;
                }
            }
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<QByteArray> lines;
    for (int i = 0; i < 65535; ++i)
        lines.append(CSampleData::TabLine(i));
    const CFieldSplitter splitter(QStringLiteral("\t"));
    const int runs = 11;
    CPaintCounter counter;
    app.installEventFilter(&counter);

    QWidget frame;
    frame.resize(400, 200);
    frame.show();
    CImportMapDlg page(&frame);

    counter.m_nPaints = 0;
    Measure("records step with the progress window (65535 lines)", runs, [&] {
        CImportProgressDlg progress(&frame);
        progress.SetRange(0, static_cast<int>(lines.size()));
        progress.Create();
        splitter.BuildRecords(lines, 1, page.m_records, [&progress] { progress.StepIt(); });
        progress.Destroy();
    });
    std::printf("  progress window paint events per run: %d\n", counter.m_nPaints / (runs + 1));

    int paints = 0;
    Measure(
        "wizard Done, default mappings (65535 records)", runs,
        [&] {
            counter.m_nPaints = 0;
            page.m_btnDone->click();
            paints = counter.m_nPaints;
            if (page.isVisible() || page.m_records.At(65534)->m_bMapped != 1)
                std::abort();
        },
        [&] {
            splitter.BuildRecords(lines, 1, page.m_records);
            page.OnInitDialog();
            page.show();
            QApplication::processEvents();
        });
    std::printf("  progress window paint events in one Done: %d\n", paints);

    Measure(
        "wizard Done, same mapping as the first (65535 records)", runs,
        [&] {
            counter.m_nPaints = 0;
            page.m_btnDone->click();
            paints = counter.m_nPaints;
        },
        [&] {
            splitter.BuildRecords(lines, 1, page.m_records);
            page.OnInitDialog();
            page.m_radioSame->setChecked(true);
            page.show();
            QApplication::processEvents();
        });
    std::printf("  progress window paint events in one Done: %d\n", paints);
    return 0;
}
