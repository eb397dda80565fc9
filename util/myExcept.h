// Exception classes shared by every module: each carries one message.
#pragma once

#include <string>

class CException {
public:
    explicit CException(std::string msg) : msg_(std::move(msg)) {}
    virtual ~CException() = default;
    std::string GetMsg() const { return msg_; }

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
