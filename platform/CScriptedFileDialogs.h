#pragma once

#include "IFileDialogs.h"

#include <QStringList>

// File dialogs for tests: each call takes the next queued answer (empty, i.e. cancelled, when
// none is left) and records what was asked. It puts itself in place for its lifetime.
class CScriptedFileDialogs : public IFileDialogs {
public:
    struct Request {
        bool bSave;
        QString strCaption;
        QString strSuggested;
        QString strFilter;
        QString strDefaultSuffix;
    };

    CScriptedFileDialogs() { IFileDialogs::SetInstance(this); }
    ~CScriptedFileDialogs() override { IFileDialogs::SetInstance(nullptr); }

    QString GetOpenFileName(QWidget*, const QString& caption, const QString& dir,
                            const QString& filter) override {
        m_requests.append({false, caption, dir, filter, QString()});
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }
    QString GetSaveFileName(QWidget*, const QString& caption, const QString& suggested,
                            const QString& filter, const QString& defaultSuffix) override {
        m_requests.append({true, caption, suggested, filter, defaultSuffix});
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }

    void QueueAnswer(const QString& path) { m_answers.append(path); }

    QStringList m_answers;
    QList<Request> m_requests;
};
