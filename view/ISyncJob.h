#pragma once

#include "CSyncAccount.h"
#include "CSyncResult.h"

#include <QObject>
#include <QString>
#include <functional>

class CVornDoc;

// One sync of the open document as the form runs it: started, perhaps cancelled, and finished
// once. The real one runs a CSyncSession on the window's event loop; tests put a scripted one
// in place through SetFactory.
class ISyncJob : public QObject {
    Q_OBJECT
public:
    using Factory =
        std::function<ISyncJob*(CVornDoc& doc, const QString& strPath, const CSyncAccount&)>;

    using QObject::QObject;
    virtual void Start() = 0;
    // Stops at the next safe point; `finished` follows.
    virtual void Cancel() = 0;

    // A new job for the document saved at `strPath` (owned by the caller).
    static ISyncJob* Create(CVornDoc& doc, const QString& strPath, const CSyncAccount& account);
    // Puts `factory` in place; an empty one returns to real sessions.
    static void SetFactory(Factory factory);

signals:
    void progress(const QString& strStep, int nDone, int nTotal);
    void finished(const CSyncResult& result);
};
