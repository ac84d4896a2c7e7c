#include "CVornDoc.h"

#include "CArchive.h"
#include "CContactFilePieces.h"
#include "CEarlyOpen.h"
#include "CMappedBuffer.h"
#include "CRecordBlock.h"
#include "CSafeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace {

quint32 SystemTime() {
    return static_cast<quint32>(QDateTime::currentSecsSinceEpoch());
}

QString DescribeOpenFailure(const QString& path, const QFile& file) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Cannot open \"%1\": the file does not exist.").arg(path);
    if (info.isDir())
        return QStringLiteral("Cannot open \"%1\": it is a folder, not a contact file.").arg(path);
    if (!info.isReadable() || file.error() == QFileDevice::PermissionsError)
        return QStringLiteral("Cannot open \"%1\": you do not have permission to read it.")
            .arg(path);
    return QStringLiteral("Cannot open \"%1\": %2.").arg(path, file.errorString());
}

} // namespace

CVornDoc::CVornDoc(CNotesLabel& label, QObject* parent)
    : QObject(parent), m_fnCurrentTime(SystemTime), m_label(label) {}

CVornDoc::~CVornDoc() {
    if (m_releaser.joinable())
        m_releaser.join();
}

void CVornDoc::ReleaseRecords() {
    if (m_releaser.joinable())
        m_releaser.join();
    if (m_personList.size() < kReleaseAside) {
        m_personList.clear();
        return;
    }
    // The records' texts may share their bytes with texts still in use here; the sharing counts
    // are atomic, so letting go of them on another thread is safe.
    m_releaser = std::thread([records = std::move(m_personList)]() mutable { records.clear(); });
    m_personList.clear();
}

void CVornDoc::ReserveTexts(CArchive& ar, quint16 count, int nVersion) {
    // Texts kept in the source need no block.
    if (ar.CompactsTexts())
        return;
    // A first pass over the records finds what their texts take, and checks every length
    // before anything is allocated; the texts are then read into one block of that size.
    const qsizetype start = ar.Position();
    qsizetype bytes = 0;
    for (quint16 i = 0; i < count; ++i)
        bytes += CPerson::SkipRecord(ar, nVersion);
    ar.Seek(start);
    ar.ReserveTexts(bytes);
}

void CVornDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (qsizetype(m_personList.size()) > kMaxEntries)
            throw CArchiveException("more entries than a contact file can hold");
        m_nVersion = kVersion;
        ar.WriteDWord(static_cast<quint32>(m_nVersion));
        ar.WriteStringList(m_groupList);
        ar.WriteWord(static_cast<quint16>(m_personList.size()));
        for (const auto& person : m_personList)
            person->Serialize(ar, kVersion);
        ar.WriteDWord(m_label.m_bUseCustomLabel);
        ar.WriteString(m_label.m_strCustomLabel);
        // A file keeps the time of its first save; a new one gets the time of each save.
        ar.WriteDWord(m_timeCreated != 0 ? m_timeCreated : m_fnCurrentTime());
        return;
    }

    SContents contents;
    ReadContents(ar, contents);
    Adopt(contents);
}

void CVornDoc::Adopt(SContents& contents) {
    m_personList = std::move(contents.personList);
    m_groupList = std::move(contents.groupList);
    m_nVersion = contents.nVersion;
    m_timeCreated = contents.timeCreated;
    m_label.m_bUseCustomLabel = contents.label.m_bUseCustomLabel;
    m_label.m_strCustomLabel = std::move(contents.label.m_strCustomLabel);
}

void CVornDoc::ReadContents(CArchive& ar, SContents& contents) {
    contents.nVersion = static_cast<int>(ar.ReadDWord());
    if (contents.nVersion == kVersion) {
        ar.ReadStringList(contents.groupList);
        const quint16 count = ar.ReadWord();
        // Every record takes at least eleven bytes; a larger count than the data can hold is
        // damage, refused before anything is reserved.
        if (qsizetype(count) * 11 > ar.Remaining())
            throw CArchiveException("the data ends early");
        ReserveTexts(ar, count, kVersion);
        contents.personList.reserve(count);
        const auto block = CRecordBlock::Create(count, CPerson::BlockSlotSize());
        for (quint16 i = 0; i < count; ++i) {
            std::unique_ptr<CPerson> person(new (*block) CPerson);
            person->Serialize(ar, kVersion);
            contents.personList.push_back(std::move(person));
        }
        contents.label.m_bUseCustomLabel = ar.ReadDWord();
        contents.label.m_strCustomLabel = ar.ReadString();
        if (contents.label.m_strCustomLabel.isEmpty())
            contents.label.m_strCustomLabel = CNotesLabel::DefaultLabel();
    } else {
        // The older layout has no version: its first bytes start the group list.
        contents.nVersion = kOldVersion;
        ar.Seek(0);
        ar.ReadStringList(contents.groupList);
        const quint16 count = ar.ReadWord();
        if (qsizetype(count) * 10 > ar.Remaining())
            throw CArchiveException("the data ends early");
        ReserveTexts(ar, count, kOldVersion);
        contents.personList.reserve(count);
        const auto block = CRecordBlock::Create(count, CPerson::BlockSlotSize());
        for (quint16 i = 0; i < count; ++i) {
            std::unique_ptr<CPerson> person(new (*block) CPerson);
            person->Serialize(ar, kOldVersion);
            contents.personList.push_back(std::move(person));
        }
        contents.label.m_bUseCustomLabel = 0;
        contents.label.m_strCustomLabel = CNotesLabel::DefaultLabel();
    }
    contents.timeCreated = ar.ReadDWord();
}

void CVornDoc::DeleteContents() {
    emit contentsAboutToBeDeleted();
    ReleaseRecords();
    m_groupList.clear();
    m_label.m_strCustomLabel = CNotesLabel::DefaultLabel();
    m_timeCreated = 0;
}

void CVornDoc::SetModifiedFlag(bool bModified) {
    if (m_bModified == bModified)
        return;
    m_bModified = bModified;
    emit modifiedChanged(bModified);
}

bool CVornDoc::OnNewDocument() {
    DeleteContents();
    SetModifiedFlag(false);
    m_strPathName.clear();
    m_nVersion = kVersion;
    DeleteContents();
    return true;
}

bool CVornDoc::LoadFromBytes(const QByteArray& bytes, QString* pError) {
    m_nVersion = kVersion;
    m_timeCreated = 0;
    DeleteContents();
    // A failed read abandons the whole open, so the flag read from a damaged file (it comes
    // just before the label text) must not outlive it.
    const quint32 bUseCustomLabel = m_label.m_bUseCustomLabel;
    try {
        CArchive ar(bytes);
        Serialize(ar);
    } catch (const CArchiveException&) {
        DeleteContents();
        m_label.m_bUseCustomLabel = bUseCustomLabel;
        m_nVersion = kVersion;
        if (pError)
            *pError = QStringLiteral("it is damaged or is not a contact file (its data ends early "
                                     "or holds a length that runs past its end)");
        return false;
    } catch (const std::bad_alloc&) {
        DeleteContents();
        m_label.m_bUseCustomLabel = bUseCustomLabel;
        m_nVersion = kVersion;
        if (pError)
            *pError = QStringLiteral("there is not enough memory to read it");
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CVornDoc::OnOpenDocument(const QString& path, QString* pError) {
    // The file of the command line may have been read while the program started.
    SContents early;
    if (CEarlyOpen::Take(path, early)) {
        DeleteContents();
        Adopt(early);
        SetModifiedFlag(false);
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DeleteContents();
        m_nVersion = kVersion;
        SetModifiedFlag(false);
        if (pError)
            *pError = DescribeOpenFailure(path, file);
        return false;
    }
    // Read into one buffer of the file's size, mapped for this open alone: the texts are copied
    // out of it into one block of their exact size, and its memory goes back to the system as
    // soon as the entries are read.
    QByteArray bytes;
    std::unique_ptr<CMappedBuffer> pBuffer;
    const qint64 size = file.isSequential() ? 0 : file.size();
    if (size > 0) {
        pBuffer = std::make_unique<CMappedBuffer>(size_t(size));
        if (!pBuffer->IsValid()) {
            DeleteContents();
            m_nVersion = kVersion;
            SetModifiedFlag(false);
            if (pError)
                *pError = QStringLiteral("Cannot open \"%1\": there is not enough memory to read "
                                         "it.")
                              .arg(path);
            return false;
        }
        const qint64 got = file.read(pBuffer->Data(), size);
        bytes = pBuffer->Bytes(size_t(std::max<qint64>(got, 0)));
    }
    // Whatever the size did not tell (a file still growing, a pipe). (Appending copies the
    // bytes read so far out of the mapped buffer.)
    if (file.error() == QFileDevice::NoError) {
        const QByteArray rest = file.readAll();
        if (!rest.isEmpty())
            bytes.append(rest);
    }
    if (file.error() != QFileDevice::NoError) {
        DeleteContents();
        m_nVersion = kVersion;
        SetModifiedFlag(false);
        if (pError)
            *pError = QStringLiteral("Cannot read \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    QString reason;
    if (!LoadFromBytes(bytes, &reason)) {
        SetModifiedFlag(false);
        if (pError)
            *pError = QStringLiteral("Cannot open \"%1\": %2.").arg(path, reason);
        return false;
    }
    return true;
}

QByteArray CVornDoc::SaveToBytes() {
    // The exact size first, so the bytes go into one buffer allocated once.
    qsizetype size = 4 + CArchive::StoredSize(m_groupList) + 2 + 4 +
                     CArchive::StoredSize(m_label.m_strCustomLabel) + 4;
    for (const auto& person : m_personList)
        size += person->StoredSize();
    CArchive ar;
    ar.Reserve(size);
    Serialize(ar);
    return ar.Buffer();
}

bool CVornDoc::OnSaveDocument(const QString& path, QString* pError) {
    if (qsizetype(m_personList.size()) > kMaxEntries) {
        if (pError)
            *pError = QStringLiteral("Cannot save \"%1\": a contact file holds at most 65535 "
                                     "entries.")
                          .arg(path);
        return false;
    }
    // The file is built a slice of entries at a time, each written while the next is built.
    m_nVersion = kVersion;
    CContactFilePieces pieces(*this);
    CSafeFile::SFailure failure;
    if (!CSafeFile::WritePieces(
            path, [&pieces](QByteArray& piece) { return pieces.Next(piece); }, &failure)) {
        if (pieces.OutOfMemory())
            failure.strReason = QStringLiteral("there is not enough memory to write it");
        if (pError)
            *pError = CSafeFile::Message(path, failure);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}
