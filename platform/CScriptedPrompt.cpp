#include "CScriptedPrompt.h"

CScriptedPrompt::CScriptedPrompt() {
    IPrompt::SetInstance(this);
}

CScriptedPrompt::~CScriptedPrompt() {
    IPrompt::SetInstance(nullptr);
}

IPrompt::Answer CScriptedPrompt::Show(QWidget*, const QString& text, Buttons buttons, Icon) {
    m_texts.append(text);
    m_buttons.append(buttons);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return buttons == Ok ? AnswerOk : (buttons == OkCancel ? AnswerCancel : AnswerNo);
}
