#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Takes typed values off the front of a fuzzer's input; zeros once it runs dry.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : data_(data)
        , size_(size)
    {}

    template <class T> T take()
    {
        T v{};
        const std::size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
        std::memcpy(&v, data_, n);
        data_ += n, size_ -= n;
        return v;
    }
    int between(int lo, int hi)
    {
        return lo + static_cast<int>(take<std::uint16_t>() % (hi - lo + 1));
    }
    const std::uint8_t *rest() const { return data_; }
    std::size_t left() const { return size_; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
};

// A broken promise: stop here so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            std::abort();                                                                          \
    } while (false)
