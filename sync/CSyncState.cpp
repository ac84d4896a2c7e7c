#include "CSyncState.h"

#include <CSafeFile.h>

#include <QCryptographicHash>
#include <QFile>

namespace {

const QByteArray kMagic = "VELLOBY-SYNC 1";
// Everything but letters, digits and a few marks is encoded, so a field never holds a blank, a
// line break or a percent sign of its own.
const QByteArray kSafe = "-._~:/@+=,!$&'()*;?[]";

QByteArray Enc(const QByteArray& value) {
    return value.toPercentEncoding(kSafe);
}

QByteArray Dec(const QByteArray& field) {
    return QByteArray::fromPercentEncoding(field);
}

QByteArray Checksum(const QByteArray& bytes, qsizetype size) {
    return QCryptographicHash::hash(QByteArrayView(bytes.constData(), size),
                                    QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

void CSyncState::ClearState() {
    m_collection.clear();
    m_stateUrl.clear();
    m_strSyncToken.clear();
    m_entries.clear();
}

QByteArray CSyncState::ToBytes() const {
    QByteArray out;
    out.reserve(qsizetype(m_entries.size()) * 600 + 512);
    out += kMagic + '\n';
    out += "url " + Enc(m_url.toEncoded(QUrl::RemoveUserInfo)) + '\n';
    out += "user " + Enc(m_strUser.toUtf8()) + '\n';
    out += QByteArray("sync-on-open-save ") + (m_bSyncOnOpenSave ? "1" : "0") + '\n';
    out += QByteArray("plain-http-confirmed ") + (m_bPlainHttpConfirmed ? "1" : "0") + '\n';
    out += "collection " + Enc(m_collection.toEncoded(QUrl::RemoveUserInfo)) + '\n';
    out += "state-url " + Enc(m_stateUrl.toEncoded(QUrl::RemoveUserInfo)) + '\n';
    out += "token " + Enc(m_strSyncToken) + '\n';
    for (const Entry& e : m_entries) {
        QByteArray flags;
        if (e.bArrived)
            flags += 'a';
        if (e.bGone)
            flags += 'g';
        if (flags.isEmpty())
            flags = "-";
        out += "entry " + Enc(e.strHref) + ' ' + Enc(e.strEtag) + ' ' + Enc(e.strUid) + ' ' +
               Enc(e.strDigest) + ' ' + Enc(e.strName) + ' ' + flags + ' ' + Enc(e.strPrevDigest) +
               ' ' + Enc(e.strPendingDigest) + ' ' + e.strCard.toBase64() + ' ' +
               e.strPendingCard.toBase64() + '\n';
    }
    out += "end " + QByteArray::number(qsizetype(m_entries.size())) + ' ';
    out += Checksum(out, out.size()) + '\n';
    return out;
}

void CSyncState::FromBytes(const QByteArray& bytes) {
    *this = CSyncState();
    if (!bytes.startsWith(kMagic + '\n')) {
        m_bDamaged = !bytes.isEmpty();
        return;
    }
    // The account lines are read even from a damaged sidecar: each stands on its own.
    bool bEnd = false;
    bool bSound = true;
    qsizetype pos = 0;
    std::vector<Entry> entries;
    QByteArray token;
    QUrl collection;
    QUrl stateUrl;
    while (pos < bytes.size()) {
        qsizetype eol = bytes.indexOf('\n', pos);
        if (eol < 0) {
            bSound = false; // cut off in the middle of a line
            break;
        }
        const QByteArray line = bytes.mid(pos, eol - pos);
        const qsizetype lineStart = pos;
        pos = eol + 1;
        if (lineStart == 0)
            continue;
        const qsizetype blank = line.indexOf(' ');
        const QByteArray key = blank < 0 ? line : line.left(blank);
        const QByteArray rest = blank < 0 ? QByteArray() : line.mid(blank + 1);
        if (key == "url") {
            m_url = QUrl::fromEncoded(Dec(rest), QUrl::StrictMode);
        } else if (key == "user") {
            m_strUser = QString::fromUtf8(Dec(rest));
        } else if (key == "sync-on-open-save") {
            m_bSyncOnOpenSave = rest == "1";
        } else if (key == "plain-http-confirmed") {
            m_bPlainHttpConfirmed = rest == "1";
        } else if (key == "collection") {
            collection = QUrl::fromEncoded(Dec(rest), QUrl::StrictMode);
        } else if (key == "state-url") {
            stateUrl = QUrl::fromEncoded(Dec(rest), QUrl::StrictMode);
        } else if (key == "token") {
            token = Dec(rest);
        } else if (key == "entry") {
            const QList<QByteArray> f = rest.split(' ');
            if (f.size() != 10) {
                bSound = false;
                continue;
            }
            Entry e;
            e.strHref = Dec(f[0]);
            e.strEtag = Dec(f[1]);
            e.strUid = Dec(f[2]);
            e.strDigest = Dec(f[3]);
            e.strName = Dec(f[4]);
            e.bArrived = f[5].contains('a');
            e.bGone = f[5].contains('g');
            e.strPrevDigest = Dec(f[6]);
            e.strPendingDigest = Dec(f[7]);
            e.strCard = QByteArray::fromBase64(f[8]);
            e.strPendingCard = QByteArray::fromBase64(f[9]);
            if (e.strHref.isEmpty())
                bSound = false;
            entries.push_back(std::move(e));
        } else if (key == "end") {
            const QList<QByteArray> f = rest.split(' ');
            bool bOk = false;
            const qsizetype count = f.size() == 2 ? f[0].toLongLong(&bOk) : -1;
            const QByteArray expected = Checksum(bytes, lineStart + 4 + f.value(0).size() + 1);
            bEnd = bOk && count == qsizetype(entries.size()) && f[1] == expected &&
                   pos == bytes.size();
            break;
        } else {
            bSound = false;
        }
    }
    if (bEnd && bSound) {
        m_collection = collection;
        m_stateUrl = stateUrl;
        m_strSyncToken = token;
        m_entries = std::move(entries);
    } else {
        m_bDamaged = true;
    }
}

bool CSyncState::Load(const QString& path) {
    *this = CSyncState();
    QFile file(path);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        m_bDamaged = true;
        return true;
    }
    const QByteArray bytes = file.readAll();
    FromBytes(bytes);
    m_strLoaded = bytes;
    return true;
}

bool CSyncState::Save(const QString& path, QString* pError) const {
    const QByteArray bytes = ToBytes();
    if (!m_strLoaded.isEmpty() && bytes == m_strLoaded && QFile::exists(path))
        return true;
    return CSafeFile::Write(path, bytes, pError);
}
