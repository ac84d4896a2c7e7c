#pragma once

#include "CVornDoc.h"

#include <QString>

// A contact file read and parsed on a thread of its own while the program starts (the window
// system, the settings and the main window take as long again and do not need the file). The
// document takes the result when it opens the same path and the file is unchanged since it was
// read; in every other case the result is thrown away and the file is opened as usual, so what
// the user sees (a damaged file's message included) does not depend on it.
//
// There is one early read at a time. Start, Take, Discard and Finish are called from the
// main thread only. The reading thread uses no Qt object (QFile, QObject): the first thread
// that makes one becomes Qt's main thread, and that must stay the thread of main().
class CEarlyOpen {
public:
    // Starts reading `path` (relative to the current folder) on a thread of its own, in place
    // of any early read not yet taken. An empty path starts nothing.
    static void Start(const QString& path);
    // Waits for the early read and, when it was of `path`, succeeded, and the file still has the
    // device, inode, size and change times it had when it was read, moves what it read into
    // `contents` and returns true. Either way the early read is used up.
    static bool Take(const QString& path, CVornDoc::SContents& contents);
    // Waits until the early read has ended, without taking it: what the file is changed into
    // afterwards is not in it.
    static void Wait();
    // Throws away an early read nobody will take; its memory is freed on another thread.
    static void Discard();
    // Waits for every thread of the early read; the program calls it before it ends.
    static void Finish();
};
