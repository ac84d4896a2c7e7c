#pragma once

#include <QMainWindow>

class CImportView;

// The import program's main window: the first page of the wizard, a File menu with Exit and a
// status bar.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    CImportView* View() const { return m_pView; }

private:
    CImportView* m_pView;
};
