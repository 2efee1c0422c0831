// Runs the committed inputs of one fuzz target: corpus/<target>/ (seeds and what fuzzing found
// interesting) and crashes/<target>/ (faults found and fixed).
//   fuzz_replay FOLDER TARGET
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

#include <QDir>
#include <QFile>

#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER TARGET\n", argv[0]);
        return 2;
    }
    FuzzInput::silenceQtMessages();
    const QDir root(QString::fromLocal8Bit(argv[1]));
    int inputs = 0;
    for (const FuzzTarget& target : FuzzTarget::all()) {
        if (std::strcmp(target.name, argv[2]) != 0)
            continue;
        for (const char* kind : {"corpus", "crashes"}) {
            const QDir folder(root.filePath(QStringLiteral("%1/%2").arg(kind, target.name)));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                QFile file(folder.filePath(name));
                if (!file.open(QIODevice::ReadOnly)) {
                    std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                    return 1;
                }
                const QByteArray data = file.readAll();
                std::fprintf(stderr, "%s: %s\n", target.name, qPrintable(file.fileName()));
                target.function(reinterpret_cast<const uint8_t*>(data.constData()),
                                size_t(data.size()));
                ++inputs;
            }
        }
    }
    // An unknown name, or a target without seeds, would pass without testing anything.
    if (inputs == 0) {
        std::fprintf(stderr, "no inputs for %s under %s\n", argv[2], qPrintable(root.path()));
        return 1;
    }
    std::printf("%s: %d inputs\n", argv[2], inputs);
    return 0;
}
