#include "core/LangChoice.h"

LangChoice LangChoice::automatic() {
    return LangChoice{};
}

LangChoice LangChoice::fixed(const QString& code) {
    return LangChoice{code};
}

size_t qHash(const LangChoice& choice, size_t seed) noexcept {
    // The presence flag keeps automatic apart from a fixed empty code.
    return qHashMulti(seed, choice.code.has_value(), choice.code.value_or(QString()));
}
