// The colour codec on arbitrary text: a value or a failure, nothing else.
#include "core/hexcodec.h"
#include "fuzzinput.h"

#include <string>

namespace {

int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of the first n characters, or -1 when one of them is not a digit of the codec.
long expected(std::string_view text, std::size_t n)
{
    long v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int d = i < text.size() ? digit(text[i]) : -1;
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

template <class F> void check(F read, std::string_view text, std::size_t n)
{
    const long want = expected(text, n);
    const auto got = read(text);
    FUZZ_CHECK(got ? want >= 0 && long(*got) == want : want < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    check(scan::dec, text, 2);
    check(scan::dec1, text, 2);
    check(scan::dec2, text, 6);

    FuzzInput in(data, size);
    const auto n = in.take<std::int32_t>();
    const std::string hex = scan::formatHex(n);
    FUZZ_CHECK(hex.size() >= 6 && hex.size() <= 8);
    for (const char c : hex)
        FUZZ_CHECK(digit(c) >= 0);
    if (n >= 0 && n <= 0xFFFFFF) {
        FUZZ_CHECK(hex.size() == 6);
        FUZZ_CHECK(scan::dec2(hex) == n);
    }
    return 0;
}
