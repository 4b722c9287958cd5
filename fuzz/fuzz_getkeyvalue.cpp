// GetKeyValue over a registry that answers with whatever the input says.
#include "about/sysinfo.h"
#include "fuzzinput.h"

#include <algorithm>
#include <vector>

namespace {

class ArbitraryRegistry : public platform::Registry {
public:
    explicit ArbitraryRegistry(FuzzInput &in)
        : in_(in)
    {}

    long RegOpenKeyExA(platform::HKEY, const std::string &, std::uint32_t, std::uint32_t,
                       platform::HKEY *result) override
    {
        ++opens;
        const long rc = in_.take<std::uint8_t>() % 4 == 0 ? platform::ERROR_FILE_NOT_FOUND : 0;
        if (rc == 0)
            *result = in_.take<platform::HKEY>();
        return rc;
    }

    long RegQueryValueExA(platform::HKEY, const std::string &, std::uint32_t *type,
                          std::uint8_t *data, std::uint32_t *size) override
    {
        const long rc = in_.take<std::uint8_t>() % 5 == 0 ? platform::ERROR_MORE_DATA : 0;
        *type = in_.take<std::uint8_t>() % 6;
        const std::uint32_t capacity = *size;
        // The size reported may be anything; the bytes written never pass the capacity.
        *size = in_.take<std::uint16_t>();
        const std::size_t n = std::min<std::size_t>({capacity, *size, in_.left()});
        std::copy_n(in_.rest(), n, data);
        in_.take<std::uint8_t>();
        return rc;
    }

    long RegCloseKey(platform::HKEY) override
    {
        ++closes;
        return 0;
    }

    int opens = 0, closes = 0;

private:
    FuzzInput &in_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    ArbitraryRegistry registry(in);
    std::string value = "before";
    const bool ok = about::GetKeyValue(registry, platform::HKEY_LOCAL_MACHINE,
                                       "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value);
    FUZZ_CHECK(registry.opens == 1 && registry.closes == 1);
    FUZZ_CHECK(ok || value.empty());
    FUZZ_CHECK(value.size() <= 2 * 1024 + 2 + 6);
    return 0;
}
