#pragma once

#include "IPrompt.h"

// Modal QMessageBox dialogs titled with the application's name.
class CMessageBoxPrompt : public IPrompt {
public:
    Answer Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon) override;
};
