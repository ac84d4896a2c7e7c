#pragma once

#include "IFileDialogs.h"

// The desktop's file dialogs through QFileDialog.
class CQtFileDialogs : public IFileDialogs {
public:
    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                            const QString& filter, const QString& defaultSuffix) override;
};
