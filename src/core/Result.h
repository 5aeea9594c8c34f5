#pragma once
// What an operation that can fail gives back: its value, or the error that stopped it.
// The words the operator reads are made above this layer (station/Messages.h).
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quilo {

struct Error {
    enum class Kind {
        System,             // `errnum` holds the errno value
        NotRegularFile,     // a FIFO, a device or the like stands at the path
        NoPath,             // no path was set for an output
        SettingsNamedTwice, // the settings file was given a second name
        NoCp932Converter,   // the system's converter lacks code page 932
    };
    Kind kind = Kind::System;
    int errnum = 0;
    std::string path;

    static Error FromErrno(std::string path, int err) { return {Kind::System, err, std::move(path)}; }
    static Error Of(Kind kind, std::string path = {}) { return {kind, 0, std::move(path)}; }
};

template <class T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool HasValue() const { return v_.index() == 0; }
    explicit operator bool() const { return HasValue(); }
    T& Value() { return std::get<0>(v_); }
    const T& Value() const { return std::get<0>(v_); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    // Only when there is no value.
    const Error& Failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool HasValue() const { return !error_; }
    explicit operator bool() const { return HasValue(); }
    // Only when there is no value.
    const Error& Failure() const { return *error_; }

private:
    std::optional<Error> error_;
};

// `value` once `done` succeeded, else its error.
template <class T>
Result<T> WithValue(const Result<>& done, T value) {
    if (!done) return done.Failure();
    return value;
}

} // namespace quilo
