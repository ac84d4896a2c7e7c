#include "CRecoveryFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>
#include <QtEndian>
#include <array>

const QByteArray CRecoveryFile::kMagic = QByteArrayLiteral("VBYRECV1");
const QString CRecoveryFile::kExtension = QStringLiteral(".recovery");

namespace {

constexpr qsizetype kFixedSize = 8 + 4 + 8 + 8 + 4;

template <typename T> void Append(QByteArray& out, T value) {
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof(T));
}

template <typename T> T Read(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<T>(data.constData() + at);
}

const std::array<quint32, 256>& CrcTable() {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

quint32 CRecoveryFile::Crc32(const QByteArray& bytes) {
    const auto& table = CrcTable();
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray CRecoveryFile::Encode() const {
    const QByteArray path = m_strPath.toUtf8();
    QByteArray out;
    out.reserve(kFixedSize + path.size() + m_bytes.size());
    out.append(kMagic);
    Append<quint32>(out, quint32(path.size()));
    out.append(path);
    Append<qint64>(out, m_nTimeMs);
    Append<quint64>(out, quint64(m_bytes.size()));
    Append<quint32>(out, Crc32(m_bytes));
    out.append(m_bytes);
    return out;
}

bool CRecoveryFile::Decode(const QByteArray& data, QString* pError) {
    auto fail = [pError](const QString& why) {
        if (pError)
            *pError = why;
        return false;
    };
    if (!data.startsWith(kMagic))
        return fail(QStringLiteral("it is not a recovery file"));
    if (data.size() < kFixedSize)
        return fail(QStringLiteral("it ends early"));
    qsizetype at = kMagic.size();
    const quint32 nPath = Read<quint32>(data, at);
    at += 4;
    if (qint64(nPath) > data.size() - kFixedSize)
        return fail(QStringLiteral("it ends early"));
    const QByteArray path = data.mid(at, qsizetype(nPath));
    at += qsizetype(nPath);
    const qint64 nTime = Read<qint64>(data, at);
    at += 8;
    const quint64 nBytes = Read<quint64>(data, at);
    at += 8;
    const quint32 crc = Read<quint32>(data, at);
    at += 4;
    if (nBytes != quint64(data.size() - at))
        return fail(nBytes > quint64(data.size() - at)
                        ? QStringLiteral("it ends early")
                        : QStringLiteral("it has data past its end"));
    QByteArray bytes = data.mid(at);
    if (Crc32(bytes) != crc)
        return fail(QStringLiteral("its contents are damaged"));
    m_strPath = QString::fromUtf8(path);
    m_nTimeMs = nTime;
    m_bytes = std::move(bytes);
    return true;
}

QString CRecoveryFile::Folder() {
    QString state;
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    state = QStandardPaths::writableLocation(QStandardPaths::GenericStateLocation);
#else
    state = qEnvironmentVariable("XDG_STATE_HOME");
    // Only an absolute path counts, as the base directory rules say.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return state + QStringLiteral("/Velloby/recovery");
}

QString CRecoveryFile::PathFor(const QString& path) {
    if (path.isEmpty())
        return QString();
    const QByteArray absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(absolute, QCryptographicHash::Sha256).toHex().left(32);
    return Folder() + QLatin1Char('/') + QString::fromLatin1(hash) + kExtension;
}

QString CRecoveryFile::UntitledPath() {
    return Folder() + QStringLiteral("/untitled-") +
           QUuid::createUuid().toString(QUuid::WithoutBraces) + kExtension;
}
