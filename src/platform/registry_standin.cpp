#include "platform/registry.h"

#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cstring>

namespace platform {

namespace {

constexpr HKEY SysInfoKey = 0x1001;

bool sameKey(const std::string &a, const std::string &b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

class StandInRegistry : public Registry {
public:
    explicit StandInRegistry(std::function<std::string()> find)
        : find_(std::move(find))
    {}

    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t, std::uint32_t,
                       HKEY *result) override
    {
        if (root != HKEY_LOCAL_MACHINE ||
            !sameKey(subKey, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"))
            return ERROR_FILE_NOT_FOUND;
        *result = SysInfoKey;
        return ERROR_SUCCESS;
    }

    long RegQueryValueExA(HKEY key, const std::string &valueName, std::uint32_t *type,
                          std::uint8_t *data, std::uint32_t *size) override
    {
        if (key != SysInfoKey)
            return ERROR_INVALID_HANDLE;
        if (!sameKey(valueName, "PATH"))
            return ERROR_FILE_NOT_FOUND;
        const std::string path = find_ ? find_() : std::string();
        if (path.empty())
            return ERROR_FILE_NOT_FOUND;
        const auto needed = static_cast<std::uint32_t>(path.size() + 1);
        if (type)
            *type = REG_SZ;
        if (!size)
            return ERROR_SUCCESS;
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (data)
            std::memcpy(data, path.c_str(), needed);
        *size = needed;
        return ERROR_SUCCESS;
    }

    long RegCloseKey(HKEY key) override
    {
        return key == SysInfoKey ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

private:
    std::function<std::string()> find_;
};

} // namespace

std::string findSysInfoOnPath()
{
    // The desktops' own first, then the general ones; GNOME's is a panel of its settings.
    static constexpr std::pair<const char *, const char *> programs[] = {
        {"kinfocenter", ""}, {"gnome-control-center", " info-overview"},
        {"xfce4-about", ""}, {"hardinfo2", ""},
        {"hardinfo", ""},    {"gnome-system-monitor", ""},
    };
    for (const auto &[name, arguments] : programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found.toStdString() + arguments;
    }
    return {};
}

std::unique_ptr<Registry> standInRegistry(std::function<std::string()> findSysInfoProgram)
{
    return std::make_unique<StandInRegistry>(std::move(findSysInfoProgram));
}

#ifndef _WIN32
std::unique_ptr<Registry> systemRegistry()
{
    return standInRegistry(&findSysInfoOnPath);
}
#endif

} // namespace platform
