// The batch import of 65,535 tab-separated lines (name, street, city, state, ZIP, phone,
// e-mail): the whole program as a process, from start to the file written, and its steps.
#include "BenchUtil.h"
#include "CFieldMapper.h"
#include "CFieldSplitter.h"
#include "CImportDoc.h"
#include "CImportRecord.h"
#include "CLineReader.h"
#include "CSampleData.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString input = dir.filePath("people.txt");
    const QString output = dir.filePath("people.vby");
    {
        QByteArray text;
        for (int i = 0; i < 65535; ++i)
            text += CSampleData::TabLine(i) + '\n';
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
            return 1;
        }
    }
    std::printf("input: 65535 lines, %lld bytes\n", static_cast<long long>(QFile(input).size()));
    const int runs = 21;

    Measure("batch import, whole process (import --batch)", runs, [&] {
        QProcess process;
        process.start(QStringLiteral(IMPORT_EXE),
                      {QStringLiteral("--batch"), input, QStringLiteral("--output"), output});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            std::fprintf(stderr, "import failed: %s\n", process.readAllStandardError().constData());
            std::abort();
        }
    });
    std::printf("output: %lld bytes\n", static_cast<long long>(QFile(output).size()));

    // The steps inside the process, for where the time goes.
    QList<QByteArray> lines;
    Measure("  read the lines", runs, [&] {
        lines.clear();
        QFile file(input);
        file.open(QIODevice::ReadOnly);
        CLineReader::ReadLines(file, lines);
    });
    CImportRecord records;
    const CFieldSplitter splitter(QStringLiteral("\t"));
    Measure("  split into records", runs, [&] { splitter.BuildRecords(lines, 1, records); });
    Measure(
        "  map automatically", runs,
        [&] {
            CFieldMapper mapper;
            mapper.Show(*records.At(0));
            mapper.ProcessRemaining(records, 0, false);
        },
        [&] { splitter.BuildRecords(lines, 1, records); });
    Measure("  write the contact file", runs, [&] {
        CImportDoc doc;
        doc.AddRecords(records);
        if (!doc.OnSaveDocument(output))
            std::abort();
    });
    return 0;
}
