#include "CRecentFileList.h"

#include "IProfileStore.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("Recent File List");
QString Key(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

// Two paths name the same file when their cleaned absolute forms agree.
QString Normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
} // namespace

void CRecentFileList::Load() {
    m_listPaths.clear();
    IProfileStore& profile = IProfileStore::Instance();
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString path = profile.GetProfileString(kSection, Key(i), QString());
        if (!path.isEmpty() && !m_listPaths.contains(path))
            m_listPaths.append(path);
    }
}

void CRecentFileList::Save() const {
    IProfileStore& profile = IProfileStore::Instance();
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString path = i < m_listPaths.size() ? m_listPaths.at(i) : QString();
        if (!path.isEmpty() || profile.HasKey(kSection, Key(i)))
            profile.WriteProfileString(kSection, Key(i), path);
    }
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString full = Normalised(path);
    Remove(full);
    m_listPaths.prepend(full);
    while (m_listPaths.size() > kMaxEntries)
        m_listPaths.removeLast();
}

void CRecentFileList::Remove(const QString& path) {
    const QString full = Normalised(path);
    m_listPaths.removeIf([&](const QString& entry) { return Normalised(entry) == full; });
}

QString CRecentFileList::MenuText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && shown.startsWith(home + '/'))
        shown = '~' + shown.mid(home.size());
    // Long paths keep their start and their file name.
    constexpr int kMaxShown = 60;
    if (shown.size() > kMaxShown) {
        const QString name = QFileInfo(path).fileName();
        const int keep = qMax(0, kMaxShown - int(name.size()) - 4);
        shown = shown.left(keep) + QStringLiteral("...") + '/' + name;
    }
    shown.replace('&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
