#include "about/sysinfo.h"

#include "about/logging.h"
#include "tintara/appinfo.h"

#include <array>
#include <cstdio>

namespace about {

using namespace platform;

bool GetKeyValue(Registry &registry, HKEY KeyRoot, const std::string &KeyName,
                 const std::string &SubKeyRef, std::string &KeyVal)
{
    HKEY hKey = 0;
    bool result = false;
    if (registry.RegOpenKeyExA(KeyRoot, KeyName, 0, KEY_ALL_READ, &hKey) != ERROR_SUCCESS) {
        KeyVal.clear();
    } else {
        std::array<std::uint8_t, 1024> buffer{};
        std::uint32_t type = 0;
        std::uint32_t size = buffer.size();
        if (registry.RegQueryValueExA(hKey, SubKeyRef, &type, buffer.data(), &size) !=
            ERROR_SUCCESS) {
            KeyVal.clear();
        } else {
            // A size of 0 reads as empty text; a size past the buffer is cut to it.
            std::size_t n = std::min<std::size_t>(size, buffer.size());
            if (n > 0 && buffer[n - 1] == 0)
                --n;
            const std::string text(reinterpret_cast<const char *>(buffer.data()), n);
            if (type == REG_SZ) {
                KeyVal = text;
            } else if (type == REG_DWORD) {
                for (std::size_t i = text.size(); i > 0; --i) {
                    char digits[4];
                    std::snprintf(digits, sizeof digits, "%X",
                                  static_cast<unsigned>(static_cast<unsigned char>(text[i - 1])));
                    KeyVal += digits;
                }
                KeyVal = "&h" + KeyVal;
            }
            result = true;
        }
    }
    registry.RegCloseKey(hKey);
    return result;
}

void StartSysInfo(const SysInfoEnvironment &env)
{
    const QString title = QLatin1String(appinfo::Title);
    // The user is told only that it is not available; why is for whoever looks into it.
    auto unavailable = [&](const char *why) {
        qCInfo(lcAbout, "no system information: %s", why);
        env.message(QLatin1String(SysInfoUnavailable), title);
    };
    if (!env.registry) {
        unavailable("there is no registry");
        return;
    }
    std::string path;
    if (!GetKeyValue(*env.registry, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                     "PATH", path)) {
        if (!GetKeyValue(*env.registry, HKEY_LOCAL_MACHINE,
                         "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path)) {
            unavailable("the registry names no program");
            return;
        }
        const std::string program = path + "\\MSINFO32.EXE";
        if (!env.fileExists(QString::fromStdString(program))) {
            unavailable("the program the registry names is not there");
            return;
        }
        path = program;
    }
    if (!env.startProgram(QString::fromStdString(path)))
        unavailable("the program did not start");
}

} // namespace about
