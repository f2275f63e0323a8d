#pragma once

#include <stdexcept>
#include <string>

// The program's general error: carries the text shown in the standard error report.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
};

// Raised for image and engine errors, and for graphic classes that cannot do what is asked.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
