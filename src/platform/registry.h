#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Registry reading with the semantics of the operating system's ANSI calls: open a key,
// query one value's type and bytes into the caller's buffer, close the key.
using HKEY = std::int32_t;
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t KEY_ALL_READ = 0x2003F;

class Registry {
public:
    virtual ~Registry() = default;
    virtual long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options,
                               std::uint32_t access, HKEY *result) = 0;
    // On entry *size is the buffer's capacity; on success it holds the bytes written. A value
    // larger than the buffer gives ERROR_MORE_DATA.
    virtual long RegQueryValueExA(HKEY key, const std::string &valueName, std::uint32_t *type,
                                  std::uint8_t *data, std::uint32_t *size) = 0;
    virtual long RegCloseKey(HKEY key) = 0;
};

// The registry of this machine. Where the system has none, a read-only stand-in answers one
// value: HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Shared Tools\MSINFO" "PATH" as REG_SZ, the full
// path of the first system-information program found on PATH, with the arguments it needs;
// every other key or value is not found.
std::unique_ptr<Registry> systemRegistry();

// The stand-in, with the program lookup given (the path, or empty when there is none).
std::unique_ptr<Registry> standInRegistry(std::function<std::string()> findSysInfoProgram);

// The system-information programs the stand-in looks for, in order.
std::string findSysInfoOnPath();

} // namespace platform
