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

}  // namespace quenvar
