#pragma once
// What an operation that can fail returns: its value, or the Error that
// says why not. The Error is the reason behind the message the user is
// told: the system's error number and the file or folder it concerns, which
// the window shows as a box's details and the console on a second line. The
// caller, which knows what the failure means to the user, chooses the
// message.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace qzt {

struct Error {
    int code = 0;      // the system's error number
    std::string path;  // the file or folder the error concerns

    // "path: No space left on device"; the system's text alone without a
    // path.
    std::string Reason() const;
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    template <typename U>
    T value_or(U&& fallback) const {
        return has_value() ? std::get<0>(state_) : static_cast<T>(std::forward<U>(fallback));
    }
    // Only after a failure.
    const Error& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool has_value() const { return !error_.has_value(); }
    explicit operator bool() const { return has_value(); }
    // Only after a failure.
    const Error& error() const { return *error_; }

  private:
    std::optional<Error> error_;
};

}  // namespace qzt
