// Exceptions raised inside the module. Every failure carries a message that names what failed;
// the error frame of a COM method turns it into E_UNEXPECTED plus error info.
#pragma once

#include <stdexcept>
#include <string>

namespace kestro {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // The class name shown by loggers ("EXCEPTION (%s) : ...").
  virtual const char* ClassName() const noexcept { return "Exception"; }
};

#define KESTRO_DECLARE_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                                  \
   public:                                                                    \
    using Base::Base;                                                         \
    const char* ClassName() const noexcept override { return #Name; }         \
  }

// A text that cannot be converted to a number or a date-time.
KESTRO_DECLARE_EXCEPTION(EConvertError, Exception);
// A variant that cannot be converted to the requested type.
KESTRO_DECLARE_EXCEPTION(EVariantError, Exception);
// An operating-system call that failed.
KESTRO_DECLARE_EXCEPTION(EOSError, Exception);

// The class name of any exception: ClassName() for ours, the demangled type name otherwise.
std::string ExceptionClassName(const std::exception& e);

}  // namespace kestro
