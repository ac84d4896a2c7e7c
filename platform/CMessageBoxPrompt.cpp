#include "CMessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

IPrompt::Answer CMessageBoxPrompt::Show(QWidget* parent, const QString& text, Buttons buttons,
                                        Icon icon) {
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    switch (buttons) {
    case Ok:
        break;
    case OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::Yes;
        break;
    case YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        defaultButton = QMessageBox::Yes;
        break;
    }
    QMessageBox::Icon boxIcon = QMessageBox::Warning;
    switch (icon) {
    case Information:
        boxIcon = QMessageBox::Information;
        break;
    case Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Critical:
        boxIcon = QMessageBox::Critical;
        break;
    case Question:
        boxIcon = QMessageBox::Question;
        break;
    }
    QMessageBox box(boxIcon, QApplication::applicationDisplayName(), text, standard, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setDefaultButton(defaultButton);
    box.setAccessibleName(text);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Cancel:
        return AnswerCancel;
    default:
        // Escape on a box with no Cancel button closes it like its only button.
        return buttons == Ok ? AnswerOk : (buttons == YesNo ? AnswerNo : AnswerCancel);
    }
}

namespace {
IPrompt* g_pPrompt = nullptr;
} // namespace

IPrompt& IPrompt::Instance() {
    if (g_pPrompt)
        return *g_pPrompt;
    static CMessageBoxPrompt boxes;
    return boxes;
}

void IPrompt::SetInstance(IPrompt* prompt) {
    g_pPrompt = prompt;
}
