#include "CQtFileDialogs.h"

#include <QFileDialog>

QString CQtFileDialogs::GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                        const QString& filter) {
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setObjectName(QStringLiteral("openFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString CQtFileDialogs::GetSaveFileName(QWidget* parent, const QString& caption,
                                        const QString& suggested, const QString& filter,
                                        const QString& defaultSuffix) {
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

namespace {
IFileDialogs* g_pDialogs = nullptr;
} // namespace

IFileDialogs& IFileDialogs::Instance() {
    if (g_pDialogs)
        return *g_pDialogs;
    static CQtFileDialogs dialogs;
    return dialogs;
}

void IFileDialogs::SetInstance(IFileDialogs* dialogs) {
    g_pDialogs = dialogs;
}
