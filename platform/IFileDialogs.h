#pragma once

#include <QString>

class QWidget;

// The open and save file dialogs. Tests put a double in place that names the next file chosen.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // An existing file to open, or empty when cancelled. `filter` is in Qt's form,
    // "Address Files (*.vby)".
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter) = 0;
    // A file to write, or empty when cancelled. `suggested` is the initial path or file name;
    // `defaultSuffix` is added when the user types none; an existing file is confirmed first.
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter,
                                    const QString& defaultSuffix) = 0;

    static IFileDialogs& Instance();
    // Puts `dialogs` in place (not owned); null returns to the real dialogs.
    static void SetInstance(IFileDialogs* dialogs);
};
