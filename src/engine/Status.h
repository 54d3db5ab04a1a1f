// Status and Result: how the table engine reports success and failure.
//
// Every engine operation that can fail answers with a Status (or a Result<T>, a value or a
// Status). Nothing in the engine throws for bad input or I/O failures, and nothing crashes on
// a damaged file: a damaged file gives a Corruption status whose message names the file and the
// defect.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vz::engine {

class [[nodiscard]] Status {
public:
    enum class Code {
        Ok,
        NotFound,         // a file, field or record that is not there
        Corruption,       // a file whose bytes contradict the format
        InvalidArgument,  // a value or request the engine cannot carry out
        IOError,          // the operating system refused a read, write or rename
        Locked,           // someone else holds the table, record or header
        NotSupported,     // a valid dBase feature this engine does not handle
    };

    Status() = default;
    static Status ok() { return {}; }
    static Status notFound(std::string m) { return {Code::NotFound, std::move(m)}; }
    static Status corruption(std::string m) { return {Code::Corruption, std::move(m)}; }
    static Status invalid(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
    static Status ioError(std::string m) { return {Code::IOError, std::move(m)}; }
    static Status locked(std::string m) { return {Code::Locked, std::move(m)}; }
    static Status notSupported(std::string m) { return {Code::NotSupported, std::move(m)}; }

    bool isOk() const { return code_ == Code::Ok; }
    explicit operator bool() const { return isOk(); }
    Code code() const { return code_; }
    const std::string& message() const { return message_; }

    // A value one field refused: the field's index and the words of the message that name it
    // ("Field MARKETVALU (N 20,4)"), so that a caller can name the field its own way. -1 and
    // empty for every other status.
    int field() const { return field_; }
    const std::string& fieldMention() const { return fieldMention_; }
    Status aboutField(int field, std::string mention) && {
        field_ = field;
        fieldMention_ = std::move(mention);
        return std::move(*this);
    }

private:
    Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
    Code code_ = Code::Ok;
    std::string message_;
    int field_ = -1;
    std::string fieldMention_;
};

// A value or the Status that explains why there is none.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}  // NOLINT: implicit by design
    Result(Status s) : v_(std::move(s)) {}     // NOLINT: implicit by design

    bool isOk() const { return v_.index() == 0; }
    explicit operator bool() const { return isOk(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    Status status() const { return isOk() ? Status::ok() : std::get<1>(v_); }

private:
    std::variant<T, Status> v_;
};

}  // namespace vz::engine

#define VZ_RETURN_IF_ERROR(expr)            \
    do {                                    \
        ::vz::engine::Status _s = (expr);   \
        if (!_s.isOk()) return _s;          \
    } while (0)
