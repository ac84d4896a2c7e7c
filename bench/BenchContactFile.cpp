// Reading and writing the largest contact file: 65,535 sample entries.
#include "BenchUtil.h"
#include "CArchive.h"
#include "CSampleData.h"
#include "CVornDoc.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("big.vby");
    if (!CSampleData::WriteContactFile(path, 65535)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("contact file: 65535 entries, %lld bytes\n",
                static_cast<long long>(QFile(path).size()));
    const int runs = 21;

    // A plain read of the same bytes, for the ratio.
    Measure("read the file's bytes", runs, [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty())
            std::abort();
    });

    // Opening into an empty document, as at start-up; the previous run's document is freed
    // outside the timing.
    CNotesLabel label;
    std::unique_ptr<CVornDoc> doc;
    Measure(
        "open into a document", runs,
        [&] {
            if (!doc->OnOpenDocument(path))
                std::abort();
        },
        [&] {
            doc.reset();
            doc = std::make_unique<CVornDoc>(label);
        });
    Measure("save the document", runs, [&] {
        if (!doc->OnSaveDocument(dir.filePath("copy.vby")))
            std::abort();
    });
    // Opening over a document that already holds the same file frees every old entry first.
    Measure("open over an open document", runs, [&] {
        if (!doc->OnOpenDocument(path))
            std::abort();
    });
    return 0;
}
