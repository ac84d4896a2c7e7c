#pragma once

#include <QByteArray>
#include <QString>

// The layout of a recovery file: the unsaved state of a document, written now and then while it
// has changes, so that a crash loses little. All integers are little-endian:
//
//   8 bytes   magic "VBYRECV1"
//   4 bytes   length of the original path in bytes (UTF-8); 0 for a document never saved
//   n bytes   the original path, absolute
//   8 bytes   time of the snapshot, milliseconds since 1970-01-01 00:00 UTC
//   8 bytes   length of the contact-file bytes
//   4 bytes   CRC-32 of the contact-file bytes
//   m bytes   the contact-file bytes, exactly as a save would write them
//
// Nothing follows them. Reading checks every length against the data and the checksum, so a
// file cut short or damaged is reported, never taken for a good one.
class CRecoveryFile {
public:
    static const QByteArray kMagic;
    // The extension of recovery files in their folder.
    static const QString kExtension;

    QString m_strPath;
    qint64 m_nTimeMs = 0;
    QByteArray m_bytes;

    QByteArray Encode() const;
    // Fills this from the bytes of a recovery file; false (with `pError` saying why) on damage.
    bool Decode(const QByteArray& data, QString* pError = nullptr);

    // The folder of the recovery files: Velloby/recovery under the user's state folder
    // ($XDG_STATE_HOME, by default ~/.local/state), never beside the user's own files.
    static QString Folder();
    // The recovery file of the contact file `path`: named after a hash of its absolute path, so
    // each contact file has one. An empty path (a document never saved) has no fixed name; see
    // UntitledPath.
    static QString PathFor(const QString& path);
    // A recovery file of its own for a document never saved.
    static QString UntitledPath();

    static quint32 Crc32(const QByteArray& bytes);
};
