#pragma once

#include <QString>
#include <QStringList>

// The most recently used contact files, newest first, kept in the profile under
// "Recent File List" as "File1" to "File4".
class CRecentFileList {
public:
    static constexpr int kMaxEntries = 4;

    // Reads the list from the profile.
    void Load();
    // Writes the list to the profile; keys beyond the list are emptied.
    void Save() const;

    // Puts `path` first (moving it up if it is already listed) and drops the oldest beyond four.
    void Add(const QString& path);
    // Takes `path` out of the list (a file that could not be opened).
    void Remove(const QString& path);

    const QStringList& Paths() const { return m_listPaths; }
    int Size() const { return int(m_listPaths.size()); }

    // The menu text of entry `index` (0 based): "&1 name", with the folder shortened for the
    // menu and any '&' doubled so it shows as itself.
    static QString MenuText(int index, const QString& path);

private:
    QStringList m_listPaths;
};
