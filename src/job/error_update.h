#pragma once
// The exception of every planned failure inside a worker: a message and a status code.

#include <stdexcept>
#include <string>

#include "job/status_codes.h"

namespace vu {

class ErrorUpdate : public std::runtime_error {
public:
    ErrorUpdate(const std::string& message, StatusCode code)
        : std::runtime_error(message), Code(code) {}
    StatusCode Code;
};

}  // namespace vu
