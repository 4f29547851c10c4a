#pragma once
// A failure of a SOAP call; its text travels to the caller as the fault string.

#include <stdexcept>
#include <string>

namespace dravel {

class TSoapError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace dravel
