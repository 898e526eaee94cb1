// The error a file that cannot be opened, created, read or written raises
// (the INI store's files, the records); any part of SETUP may catch it, the
// last line of defence names it to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace kestra {

class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& message, unsigned long errorCode)
      : std::runtime_error(message + " (error " + std::to_string(errorCode) + ")"),
        FErrorCode(errorCode) {}
  // The Win32 error code of the failed call.
  unsigned long ErrorCode() const { return FErrorCode; }

 private:
  unsigned long FErrorCode;
};

}  // namespace kestra
