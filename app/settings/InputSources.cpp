#include "app/settings/InputSources.h"

namespace {

class NoInputSources final : public InputSources {
public:
    QStringList languages() const override { return {}; }
};

std::unique_ptr<InputSources>& installed() {
    static std::unique_ptr<InputSources> sources = std::make_unique<NoInputSources>();
    return sources;
}

} // namespace

const InputSources& InputSources::system() {
    return *installed();
}

void InputSources::installSystem(std::unique_ptr<InputSources> sources) {
    if (sources)
        installed() = std::move(sources);
}
