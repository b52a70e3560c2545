// The message of the exception of type E that `body` throws, or "(no error)"; an exception of
// another type fails the test.
#pragma once

#include <exception>
#include <string>

namespace kestro::testing {

template <class E = std::exception, class Body>
std::string ErrorOf(Body&& body) {
  try {
    body();
  } catch (const E& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace kestro::testing
