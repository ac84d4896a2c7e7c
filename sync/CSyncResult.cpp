#include "CSyncResult.h"

QString CSyncResult::Summary() const {
    if (!bOk)
        return QStringLiteral("Sync failed: %1").arg(strError);
    QString text = QStringLiteral("Synced: %1 sent, %2 received").arg(nSent).arg(nReceived);
    if (nConflicts == 1)
        text += QStringLiteral(", 1 conflict kept as a copy");
    else if (nConflicts > 1)
        text += QStringLiteral(", %1 conflicts kept as copies").arg(nConflicts);
    return text;
}
