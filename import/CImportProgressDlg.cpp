#include "CImportProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
// Waiting events are let through at least this often, so the window repaints throughout.
constexpr qint64 kEventIntervalMs = 15;
} // namespace

CImportProgressDlg::CImportProgressDlg(QWidget* pOwner)
    : QDialog(pOwner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_pOwner(pOwner) {
    setObjectName(QStringLiteral("importProgressDlg"));
    setAccessibleName(QStringLiteral("Import Progress"));
    setWindowTitle(QStringLiteral("Import Progress"));
    setModal(false);

    m_labelInfo = new QLabel(this);
    m_labelInfo->setObjectName(QStringLiteral("progressInfoLabel"));
    m_labelInfo->setAccessibleName(QStringLiteral("Progress information"));
    m_labelPercent = new QLabel(QStringLiteral(" 0 %"), this);
    m_labelPercent->setObjectName(QStringLiteral("progressPercentLabel"));
    m_labelPercent->setAccessibleName(QStringLiteral("Percent done"));
    m_labelPercent->setAlignment(Qt::AlignCenter);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(QStringLiteral("Import progress"));
    // The percentage stands in its own label above the bar.
    m_progress->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_labelInfo);
    layout->addWidget(m_labelPercent);
    layout->addWidget(m_progress);
    setMinimumWidth(320);
}

CImportProgressDlg::~CImportProgressDlg() {
    if (m_bDisabledOwner && m_pOwner)
        m_pOwner->setEnabled(true);
}

void CImportProgressDlg::Create() {
    m_progress->setRange(m_nLower, m_nUpper);
    m_progress->setValue(m_nLower);
    m_nPos = m_nLower;
    if (m_pOwner && m_pOwner->isEnabled()) {
        m_pOwner->setEnabled(false);
        m_bDisabledOwner = true;
    }
    // The owner is disabled, but this window is not.
    setEnabled(true);
    show();
    raise();
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

void CImportProgressDlg::SetRange(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_progress->setRange(nLower, qMax(nLower, nUpper));
}

QString CImportProgressDlg::PercentText(int nPos, int nLower, int nUpper) {
    // An empty range has nothing to count; it shows as not begun.
    if (nUpper <= nLower)
        return QStringLiteral("0%");
    qint64 percent = (qint64(nPos) - nLower) * 100 / (qint64(nUpper) - nLower);
    if (percent != 100)
        percent %= 100;
    return QStringLiteral("%1%").arg(percent);
}

QString CImportProgressDlg::PercentLabel() const {
    return m_labelPercent->text();
}

void CImportProgressDlg::StepIt() {
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    m_nPos += m_nStep;
    m_progress->setValue(qBound(m_progress->minimum(), m_nPos, m_progress->maximum()));
    const QString text = PercentText(m_nPos, m_nLower, m_nUpper);
    if (text != m_labelPercent->text())
        m_labelPercent->setText(text);
}

void CImportProgressDlg::Destroy() {
    if (m_bDisabledOwner && m_pOwner)
        m_pOwner->setEnabled(true);
    m_bDisabledOwner = false;
    m_bClosing = true;
    hide();
}

void CImportProgressDlg::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape do nothing here: the work cannot be interrupted.
    event->accept();
}

void CImportProgressDlg::closeEvent(QCloseEvent* event) {
    if (m_bClosing)
        event->accept();
    else
        event->ignore();
}
