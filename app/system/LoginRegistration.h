#pragma once

#include <QString>

#include <optional>

// The desktop's record of programs started at login, for this application only.
class LoginRegistration {
public:
    // The desktop knows no "waiting for the user's approval" state.
    enum class Status { enabled, notRegistered };

    LoginRegistration() = default;
    virtual ~LoginRegistration() = default;
    LoginRegistration(const LoginRegistration&) = delete;
    LoginRegistration& operator=(const LoginRegistration&) = delete;

    virtual Status status() const = 0;
    // Each returns a message for the user on failure.
    virtual std::optional<QString> registerApp() = 0;
    // Succeeds when the application was not registered.
    virtual std::optional<QString> unregisterApp() = 0;
};
