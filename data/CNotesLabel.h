#pragma once

#include <QByteArray>

// The custom label of the Notes field: kept by the application, stored with each contact file.
struct CNotesLabel {
    // "Use custom label for Notes Field" is ticked; stored as 32 bits.
    quint32 m_bUseCustomLabel = 0;
    // The label the form shows for Notes, whatever the flag.
    QByteArray m_strCustomLabel;

    static QByteArray DefaultLabel() { return QByteArrayLiteral("Notes"); }
};
