#pragma once

#include <QMainWindow>

class CImportView;

// The import program's main window: the first page of the wizard, a File menu with Exit, a
// status bar, and the new, open and save commands on their standard keys.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    CImportView* View() const { return m_pView; }

    // Ctrl+N: a new, empty document; the first page starts over.
    void OnFileNew();
    // Ctrl+O: asks for a file and opens it.
    void OnFileOpen();
    // Opens `path` as a document, which has nothing to load: only the title names the file, and
    // the first page starts over.
    void OnOpenDocument(const QString& path);
    // Ctrl+S: asks for a file name and writes the document, which holds no records before the
    // wizard's output step: a contact file with no entries.
    void OnFileSave();

private:
    CImportView* m_pView;
};
