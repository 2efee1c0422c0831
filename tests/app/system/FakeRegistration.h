#pragma once

#include "app/system/LoginRegistration.h"

// The desktop's autostart record: refuses a number of registrations, and every
// unregistration when asked, with `refusal`.
class FakeRegistration final : public LoginRegistration {
public:
    Status status() const override { return registered ? Status::enabled : Status::notRegistered; }
    std::optional<QString> registerApp() override {
        ++registerCalls;
        if (registerRefusals > 0 && registerRefusals--)
            return refusal;
        registered = true;
        return std::nullopt;
    }
    std::optional<QString> unregisterApp() override {
        ++unregisterCalls;
        registered = registered && unregisterRefuses;
        return unregisterRefuses ? std::optional(refusal) : std::nullopt;
    }
    bool registered = true, unregisterRefuses = false;
    int registerRefusals = 0, registerCalls = 0, unregisterCalls = 0;
    QString refusal = QStringLiteral("refused");
};
