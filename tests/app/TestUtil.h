#pragma once

#include "CPerson.h"
#include "CVornDoc.h"

#include <QFile>
#include <QTest>
#include <memory>

// Writes a contact file holding entries with the given names.
inline bool WriteContactFile(const QString& path, const QList<QByteArray>& names) {
    CNotesLabel label;
    CVornDoc doc(label);
    doc.OnNewDocument();
    for (const QByteArray& name : names) {
        auto person = std::make_unique<CPerson>();
        person->m_strName = name;
        doc.m_personList.push_back(std::move(person));
    }
    return doc.OnSaveDocument(path);
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Adds one entry to a document and marks it modified, as the form does.
inline void AddEntry(CVornDoc& doc, const QByteArray& name) {
    auto person = std::make_unique<CPerson>();
    person->m_strName = name;
    doc.m_personList.push_back(std::move(person));
    doc.SetModifiedFlag(true);
}
