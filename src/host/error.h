#pragma once
// The error every core operation raises: it carries the message text that
// callers log or show to the user.
#include <stdexcept>
#include <string>

namespace quenvar {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when the user stopped long work through its progress report; what
// the work had changed is undone before it is raised.
class Cancelled : public Error {
 public:
  Cancelled() : Error("cancelled") {}
};

}  // namespace quenvar
