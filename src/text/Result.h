#pragma once
// What an operation that can fail returns: its value, or the error that says
// why not. One idiom for the whole program, shaped like C++23's
// std::expected (which Debian 12's compiler has only in C++23 mode).
//
// `Error` is what the user is told: a message of the string table, by its
// number and with its placeholders filled, and, when a system call failed,
// the system's error number and the file or folder it concerns (the reason,
// shown as a box's details or on the console's second line). A layer that
// reports outcomes rather than messages (the link's and the commands'
// endings, which the caller maps to exit codes and boxes) names them with an
// enum of its own as the error type.

#include <concepts>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "text/Text.h"

namespace qzt {

struct Error {
    int text = 0;         // the string table's number of `message` (0: none)
    std::string message;  // what the user is told
    int code = 0;         // the system's error number (0: no system call failed)
    std::string path;     // the file or folder the system's error concerns

    // The message with number `id`, its placeholders filled with `args`.
    template <typename... Args>
    static Error Of(int id, const Args&... args) {
        if constexpr (sizeof...(Args) == 0) {
            return Error{id, Text(id), 0, {}};  // a text without placeholders, as it stands
        } else {
            return Error{id, TextF(id, args...), 0, {}};
        }
    }
    // A failed system call on `path`.
    static Error System(int code, std::string path = {}) {
        return Error{0, {}, code, std::move(path)};
    }
    // This message, with the system's reason of `cause` behind it.
    Error Because(const Error& cause) && {
        code = cause.code;
        path = cause.path;
        return std::move(*this);
    }

    // The system's part: "path: No space left on device", the system's text
    // alone without a path, empty when no system call failed.
    std::string Reason() const;
    // The message, or the reason when there is no message.
    std::string What() const;

    bool operator==(const Error&) const = default;
};

// The success of a Result<void, E>: `return {};`, `result == Result<void,
// E>::Ok` (an outcome's own name for it, such as the link's LinkOk).
struct Success {
    bool operator==(const Success&) const = default;
};

template <typename T, typename E = Error>
class [[nodiscard]] Result {
  public:
    using error_type = E;

    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    template <typename U>
    T value_or(U&& fallback) const& {
        return has_value() ? std::get<0>(state_) : static_cast<T>(std::forward<U>(fallback));
    }
    template <typename U>
    T value_or(U&& fallback) && {
        return has_value() ? std::move(std::get<0>(state_))
                           : static_cast<T>(std::forward<U>(fallback));
    }
    // Only after a failure.
    const E& error() const { return std::get<1>(state_); }
    E& error() { return std::get<1>(state_); }

  private:
    std::variant<T, E> state_;
};

// The ending of an operation that has no value to give.
template <typename E>
class VoidResult {
  public:
    using error_type = E;

    constexpr VoidResult() = default;
    constexpr VoidResult(Success) {}
    constexpr VoidResult(E error) : error_(std::move(error)) {}

    constexpr bool has_value() const { return !error_.has_value(); }
    constexpr explicit operator bool() const { return has_value(); }
    // Only after a failure.
    constexpr const E& error() const { return *error_; }

    friend constexpr bool operator==(const VoidResult& result, Success) {
        return result.has_value();
    }
    friend constexpr bool operator==(const VoidResult& result,
                                     const E& error) requires std::equality_comparable<E> {
        return result.error_ == error;
    }
    friend constexpr bool operator==(const VoidResult& a,
                                     const VoidResult& b) requires std::equality_comparable<E> {
        return a.error_ == b.error_;
    }

  private:
    std::optional<E> error_;
};

// An outcome enum's ending. Not [[nodiscard]]: a command that ends this way
// has already told the user, and a caller that needs no more may drop it.
template <typename E>
class Result<void, E> : public VoidResult<E> {
  public:
    using VoidResult<E>::VoidResult;
    static constexpr Success Ok{};
};

// A failure that carries a message must be looked at.
template <>
class [[nodiscard]] Result<void, Error> : public VoidResult<Error> {
  public:
    using VoidResult<Error>::VoidResult;
};

}  // namespace qzt
