#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file so that it is either replaced completely or left as it was: the bytes go to
// a temporary file beside the target, every write and the close are checked, the data is forced
// to disk before the temporary file is renamed over the target, and the folder is forced to disk
// after the rename. A full disk or a power cut therefore never leaves a short or empty file in
// place of a good one. Every file either program writes goes through here.
class CSafeFile {
public:
    // Writes `bytes` to `path`. On failure the old file is untouched, the temporary file is
    // removed, and `pError` (when given) says why, naming the file.
    static bool Write(const QString& path, const QByteArray& bytes, QString* pError = nullptr);
};
