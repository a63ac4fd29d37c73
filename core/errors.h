// Exception types of the launcher. Every failure travels as one of these to the one place
// (the application object) that shows the default error box with the message.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "core/user_texts.h"

namespace ostrel {

// The general exception class: a message and nothing else.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const UserText& message) : std::runtime_error(message.String()) {}
};

// Raised by the UDP endpoint for socket failures.
class UDPSockError : public Exception {
  public:
    using Exception::Exception;
};

// A call of the operating system failed; carries its error code.
class SystemError : public Exception {
  public:
    SystemError(const UserText& message, unsigned long code) : Exception(message), code_(code) {}
    unsigned long code() const { return code_; }

  private:
    unsigned long code_;
};

// A file operation failed.
class InOutError : public SystemError {
  public:
    using SystemError::SystemError;
};

// A COM call failed; carries the HRESULT.
class OleError : public Exception {
  public:
    OleError(const UserText& message, long hresult) : Exception(message), hresult_(hresult) {}
    long hresult() const { return hresult_; }

  private:
    long hresult_;
};

// The one place that reports an exception escaping a handler: the application's default error
// box.
class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    virtual void ShowException(const std::exception& error) = 0;
};

}  // namespace ostrel
