// Runs the committed inputs of the fuzz targets: tests/fuzz/corpus/<target>/ (seeds and what
// fuzzing found interesting) and tests/fuzz/crashes/<target>/ (faults found and fixed).
//   fuzz_replay FOLDER [TARGET...]   every target when none is named
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [TARGET...]\n", argv[0]);
        return 2;
    }
    FuzzInput::silenceQtMessages();
    const QDir root(QString::fromLocal8Bit(argv[1]));
    std::vector<const FuzzTarget*> targets;
    for (int i = 2; i < argc; ++i) {
        const FuzzTarget* target = FuzzTarget::find(argv[i]);
        if (target == nullptr) {
            std::fprintf(stderr, "no fuzz target named %s\n", argv[i]);
            return 2;
        }
        targets.push_back(target);
    }
    if (targets.empty()) {
        for (const FuzzTarget& target : FuzzTarget::all())
            targets.push_back(&target);
    }
    for (const FuzzTarget* target : targets) {
        int inputs = 0;
        for (const char* kind : {"corpus", "crashes"}) {
            const QDir folder(root.filePath(QStringLiteral("%1/%2").arg(kind, target->name)));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                QFile file(folder.filePath(name));
                if (!file.open(QIODevice::ReadOnly)) {
                    std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                    return 1;
                }
                const QByteArray data = file.readAll();
                std::fprintf(stderr, "%s: %s\n", target->name, qPrintable(file.fileName()));
                target->function(reinterpret_cast<const uint8_t*>(data.constData()),
                                 size_t(data.size()));
                ++inputs;
            }
        }
        // A target without seeds would pass without testing anything.
        if (inputs == 0) {
            std::fprintf(stderr, "%s: no inputs under %s\n", target->name, qPrintable(root.path()));
            return 1;
        }
        std::printf("%s: %d inputs\n", target->name, inputs);
    }
    return 0;
}
