#include "CExchangeReport.h"

namespace {

QString Count(qsizetype n, const char* one, const char* many, const char* place) {
    if (n == 1)
        return QStringLiteral("1 %1 was not imported: the contact file has no place for %2")
            .arg(QLatin1String(one), QLatin1String(place));
    return QStringLiteral("%1 %2 were not imported: the contact file has no place for %3")
        .arg(n)
        .arg(QLatin1String(many), QLatin1String(place));
}

} // namespace

QStringList CExchangeReport::Summary() const {
    QStringList lines;
    if (nPhotos > 0)
        lines << Count(nPhotos, "photo", "photos", "pictures");
    if (nSounds > 0)
        lines << Count(nSounds, "sound", "sounds", "sounds");
    if (nKeys > 0)
        lines << Count(nKeys, "key", "keys", "keys");
    if (nSkipped == 1)
        lines << QStringLiteral("1 card or row could not be read and was skipped");
    else if (nSkipped > 1)
        lines
            << QStringLiteral("%1 cards or rows could not be read and were skipped").arg(nSkipped);
    lines << warnings;
    return lines;
}
