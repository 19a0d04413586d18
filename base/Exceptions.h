// Failure types of the program. Every failure of the program's own derives
// from Exception; what() is the message exactly as the user may see it
// (Windows-1250 bytes).
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Messages of the XML document library.
class EVexXMLError : public Exception {
public:
    using Exception::Exception;
};

// Text-to-number and text-to-date conversions.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// File creation, reading, writing and closing.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};
