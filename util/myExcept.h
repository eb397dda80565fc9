// Exception classes shared by every module: each carries one message.
//
// The kinds, and how the entry point reports them (each with exit status 1):
//   IOException, RuntimeException  bad input or files: the message as it is;
//   ResourceError                  memory ran out (or would run out): what ran out, at
//                                  which step;
//   InternalError                  an inconsistency of the program itself, never caused by
//                                  the input: "internal error: ...".
// The message texts of the first two keep the classic class prefixes ("I/O Exception: ",
// "Runtime Exception: "). Every class is a std::exception, so that one handler at the entry
// point sees them all.
#pragma once

#include <exception>
#include <string>

class CException : public std::exception {
public:
    explicit CException(std::string msg) : msg_(std::move(msg)) {}
    std::string GetMsg() const { return msg_; }
    const char* what() const noexcept override { return msg_.c_str(); }

private:
    std::string msg_;
};

// Files that cannot be opened or are damaged.
class IOException : public CException {
public:
    explicit IOException(const std::string& msg) : CException("I/O Exception: " + msg) {}
};

// Inconsistent data and bad arguments.
class RuntimeException : public CException {
public:
    explicit RuntimeException(const std::string& msg) : CException("Runtime Exception: " + msg) {}
};

// Reserved for internal disasters; nothing raises it today.
class BoomException : public CException {
public:
    explicit BoomException(const std::string& msg) : CException("BOOM Exception: " + msg) {}
};

// An inconsistency of the program itself: a broken invariant, not a property of the input.
class InternalError : public CException {
public:
    explicit InternalError(const std::string& msg) : CException("internal error: " + msg) {}
};

// A resource that ran out, or that a step was refused because it would run out. The
// message says what and at which step ("out of memory building the instance for n = 40:
// ...").
class ResourceError : public CException {
public:
    explicit ResourceError(const std::string& msg) : CException(msg) {}
};
