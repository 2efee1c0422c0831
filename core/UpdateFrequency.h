#pragma once

#include <QString>

#include <array>
#include <optional>

// How often updates are looked for. The raw value is what the settings store keeps.
enum class UpdateFrequency { daily, weekly, monthly, never };

inline constexpr UpdateFrequency defaultUpdateFrequency = UpdateFrequency::weekly;

// Every case, in the order the settings screen offers them.
inline constexpr std::array<UpdateFrequency, 4> allUpdateFrequencies{
    UpdateFrequency::daily, UpdateFrequency::weekly, UpdateFrequency::monthly,
    UpdateFrequency::never};

// "daily", "weekly", "monthly" or "never".
QString rawValue(UpdateFrequency frequency);

// Seconds between checks; absent for never.
std::optional<double> interval(UpdateFrequency frequency);

// The case whose raw value matches exactly; weekly for anything else or nothing stored.
UpdateFrequency updateFrequencyFromStored(const std::optional<QString>& stored);

size_t qHash(UpdateFrequency frequency, size_t seed = 0) noexcept;
