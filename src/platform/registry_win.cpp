// The real registry, through advapi32. Built on Windows only.
#include "platform/registry.h"

#include <windows.h>

namespace platform {

namespace {

class WindowsRegistry : public Registry {
public:
    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options,
                       std::uint32_t access, HKEY *result) override
    {
        ::HKEY opened = nullptr;
        const LONG rc = ::RegOpenKeyExA(toHandle(root), subKey.c_str(), options, access, &opened);
        *result = rc == ERROR_SUCCESS ? remember(opened) : 0;
        return rc;
    }

    long RegQueryValueExA(HKEY key, const std::string &valueName, std::uint32_t *type,
                          std::uint8_t *data, std::uint32_t *size) override
    {
        DWORD t = 0;
        DWORD n = size ? *size : 0;
        const LONG rc = ::RegQueryValueExA(toHandle(key), valueName.c_str(), nullptr, &t, data,
                                           size ? &n : nullptr);
        if (type)
            *type = t;
        if (size)
            *size = n;
        return rc;
    }

    long RegCloseKey(HKEY key) override
    {
        if (key != 1)
            return ERROR_INVALID_HANDLE;
        const LONG rc = ::RegCloseKey(open_);
        open_ = nullptr;
        return rc;
    }

private:
    // Handles travel as 32-bit values: the predefined roots keep theirs, an opened key is 1.
    ::HKEY toHandle(HKEY key) const
    {
        if (key == 1)
            return open_;
        return reinterpret_cast<::HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
    }
    HKEY remember(::HKEY opened)
    {
        if (open_)
            ::RegCloseKey(open_);
        open_ = opened;
        return 1;
    }

    ::HKEY open_ = nullptr;
};

} // namespace

std::unique_ptr<Registry> systemRegistry()
{
    return std::make_unique<WindowsRegistry>();
}

} // namespace platform
