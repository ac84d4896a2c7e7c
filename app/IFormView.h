#pragma once

#include <QAction>
#include <QHash>

class QWidget;

// What the main window needs of the form that fills it. The form lives in view/, which the main
// window does not link; main() creates the form and hands it to the main window.
class IFormView {
public:
    virtual ~IFormView() = default;
    // The form's widget, placed in the centre of the main window.
    virtual QWidget* Widget() = 0;
    // Run after every New and every Open: rebuild the lists from the document and show the first
    // entry.
    virtual void OnInitialUpdate() = 0;
    // The main window's actions by command id (CommandIds.h). The form connects to those it
    // handles and keeps each enabled exactly when its button is.
    virtual void ConnectCommands(const QHash<int, QAction*>& actions) = 0;
    // Run before the program closes (and before the question to save the file): edits the form
    // holds but has not stored yet are stored or dropped as the user answers. False keeps the
    // program open.
    virtual bool QueryClose() { return true; }
};
