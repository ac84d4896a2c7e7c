#pragma once

#include <QString>

class QWidget;

// Message boxes and questions. Every one the programs show goes through here, so tests can read
// the exact text and give the answer.
class IPrompt {
public:
    enum Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum Icon { Information, Warning, Critical, Question };
    enum Answer { AnswerOk, AnswerCancel, AnswerYes, AnswerNo };

    virtual ~IPrompt() = default;
    virtual Answer Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon) = 0;

    // The prompt in use: real message boxes unless a test put another in place.
    static IPrompt& Instance();
    // Puts `prompt` in place (not owned); null returns to real message boxes.
    static void SetInstance(IPrompt* prompt);

    // Shortcuts for the common cases.
    static void Message(QWidget* parent, const QString& text, Icon icon = Warning) {
        Instance().Show(parent, text, Ok, icon);
    }
    static Answer Ask(QWidget* parent, const QString& text, Buttons buttons = YesNo) {
        return Instance().Show(parent, text, buttons, Question);
    }
};
