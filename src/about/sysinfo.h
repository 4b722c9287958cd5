#pragma once

#include "platform/registry.h"

#include <QString>
#include <functional>
#include <string>

namespace about {

// Reads one registry value as text. False, with KeyVal emptied, when the key or the value
// cannot be read; the key is closed on every path.
bool GetKeyValue(platform::Registry &registry, platform::HKEY KeyRoot, const std::string &KeyName,
                 const std::string &SubKeyRef, std::string &KeyVal);

// What starting the system-information program needs from the world.
struct SysInfoEnvironment {
    platform::Registry *registry = nullptr;
    std::function<bool(const QString &)> fileExists;
    std::function<bool(const QString &)> startProgram;
    std::function<void(const QString &text, const QString &title)> message;
};

// Finds the system-information program through the registry and starts it; every failure
// answers with one message.
void StartSysInfo(const SysInfoEnvironment &env);

inline constexpr const char *SysInfoUnavailable =
    "Le informazioni sul sistema non sono attualmente disponibili.";

} // namespace about
