#pragma once

#include "CNotesLabel.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The program's one application object: the live settings that every part of the contact
// manager consults, and the Notes label of the open contact file (which the file reads and
// writes). Created once by main() (or by a test) before any window.
class CVornApp : public QObject, public CNotesLabel {
    Q_OBJECT
public:
    // Search strictness, as `m_nSearchMode`.
    enum SearchMode { Exact = 0, Good = 1, Fair = 2, Poor = 3 };
    // The profile stores the mode as one of these four numbers, Exact to Poor.
    static constexpr int kSearchProfileBase = 1085;

    explicit CVornApp(QObject* parent = nullptr);
    ~CVornApp() override;

    // The one application object (null before one is created).
    static CVornApp* Instance();

    // Reads the options of the profile into the members, with their defaults.
    void ReadSettings();
    // What the program writes at every exit: the dial prefix, whatever its value.
    void WriteExitSettings();

    int m_nSearchMode = Exact;
    bool m_bPassword = false;
    bool m_bConfirmDelete = false;
    bool m_bAutoUpdate = false;
    QString m_strDialPrefix;
};
