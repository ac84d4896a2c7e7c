#pragma once

#include "IPrompt.h"

#include <QList>
#include <QStringList>

// A prompt for tests: records every text shown and gives queued answers (Ok, or No for a
// question, when the queue is empty). It puts itself in place for its lifetime.
class CScriptedPrompt : public IPrompt {
public:
    CScriptedPrompt();
    ~CScriptedPrompt() override;

    Answer Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon) override;

    void QueueAnswer(Answer answer) { m_answers.append(answer); }

    QStringList m_texts;
    QList<Buttons> m_buttons;
    QList<Answer> m_answers;
};
