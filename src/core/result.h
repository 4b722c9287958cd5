#pragma once

// How the program says that an operation failed: the operation returns a Result, which holds
// either its value or a Failure with the reason, as std::expected would. One function,
// failureText(), words a failure for the user, in a message box or on a terminal.

#include <QString>
#include <QtGlobal>
#include <utility>
#include <variant>

// Why an operation failed, in words a user can read: what was wrong, not which file or command
// it was; the caller adds that when it words the failure.
struct Failure {
    QString reason;
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value))
    {}
    Result(Failure failure)
        : state_(std::in_place_index<1>, std::move(failure))
    {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    const T &value() const & { return std::get<0>(state_); }
    T &value() & { return std::get<0>(state_); }
    T &&value() && { return std::get<0>(std::move(state_)); }
    const T &operator*() const & { return value(); }
    T &operator*() & { return value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }
    // Why it failed; only for a result that holds no value.
    const QString &error() const { return failure().reason; }
    const Failure &failure() const { return std::get<1>(state_); }

    // Equal to a value when it holds that value, as std::expected is.
    friend bool operator==(const Result &r, const T &v) { return r.has_value() && r.value() == v; }

private:
    std::variant<T, Failure> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : failure_(std::move(failure))
        , failed_(true)
    {}

    bool has_value() const { return !failed_; }
    explicit operator bool() const { return has_value(); }
    const QString &error() const { return failure_.reason; }
    const Failure &failure() const { return failure_; }

private:
    Failure failure_;
    bool failed_ = false;
};

// A promise a function's callers make, which no input of the user's can break (a rate the bars
// keep in range, a colour index the program writes): broken, the program stops there and says
// which, in every build, instead of computing on nonsense. What input can reach is a Result.
#define TINTARA_EXPECTS(condition, promise) ((condition) ? void() : core::brokenPromise(promise))
namespace core {
[[noreturn]] void brokenPromise(const char *promise);
}

// Where a failure is shown: in a message box, a paragraph a part; or on one terminal line.
enum class Wording { Box, Line };

// The one wording of a failure for the user: what could not be done ("Cannot load the
// picture"), to what (a file, with the system's own separators; may be empty), and why.
QString failureText(const QString &what, const QString &subject, const QString &why,
                    Wording wording = Wording::Box);

// Writes one line to the terminal the program was started from, as "tintara: line".
void complain(const QString &line);
