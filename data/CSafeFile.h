#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Writes a whole file so that it is either replaced completely or left as it was: the bytes go to
// a temporary file beside the target, every write and the close are checked, the data is forced
// to disk before the temporary file is renamed over the target, and the folder is forced to disk
// after the rename. A full disk or a power cut therefore never leaves a short or empty file in
// place of a good one. Every file either program writes goes through here, and every system call
// it makes goes through IFileSystem.
//
// Large files are written in steps, and the disk is started on each step at once, so that it
// works while the rest is built and copied and the final fsync has little left to do. A large
// file being replaced is let go on a thread of its own after the save: freeing its cached pages
// and blocks takes milliseconds that nobody needs to wait for.
class CSafeFile {
public:
    // Where a failed write stopped.
    enum class Step { Create, Write, Sync, Close, Rename };
    struct SFailure {
        Step nStep = Step::Create;
        int nError = 0;
        // What went wrong, in words, without the file name ("the disk is full").
        QString strReason;
        // An existing file was to be replaced, and is still there as it was.
        bool bOldFileKept = false;
    };

    // Writes `bytes` to `path`. On failure the old file is untouched, the temporary file is
    // removed, and `pError` (when given) says why, naming the file.
    static bool Write(const QString& path, const QByteArray& bytes, QString* pError = nullptr);
    // The same, telling where and why it failed.
    static bool Write(const QString& path, const QByteArray& bytes, SFailure* pFailure);

    // What a source of pieces says each time it is asked for the next one.
    enum class Piece { More, End, Failed };
    // Hands out the file's bytes a piece at a time: fills `piece` (empty when asked) and says
    // whether more follow; Failed abandons the write (the old file stays as it was).
    using FnNextPiece = std::function<Piece(QByteArray& piece)>;
    // Writes the pieces `fnNext` hands out, each before the next is asked for, so a large file is
    // never whole in memory. The file is replaced only once every piece is written; a failure,
    // or Failed from the source, leaves the old file as it was (Step::Write with the error
    // ECANCELED for the source's own failure).
    static bool WritePieces(const QString& path, const FnNextPiece& fnNext, SFailure* pFailure);

    // Fills `head` (empty when asked) with the file's new first bytes; false abandons the write.
    using FnHead = std::function<bool(QByteArray& head)>;
    // Like WritePieces, then, after the last piece and before the data is forced to disk, asks
    // fnHead for new bytes for the start of the file and writes them over the first bytes
    // written (same length as they had; a different length, or false from fnHead, fails the
    // write with ECANCELED and the old file stays). The first bytes written are the first piece
    // that was not empty, so a writer can put a header there whose counts it knows only at the
    // end. An empty fnHead writes the pieces alone.
    static bool WritePieces(const QString& path, const FnNextPiece& fnNext, const FnHead& fnHead,
                            SFailure* pFailure);

    // The message for a failure to save `path`: the file, the reason, and whether the old file
    // is still there.
    static QString Message(const QString& path, const SFailure& failure);
    // The reason for a system error number, in words.
    static QString Reason(int error);
};
