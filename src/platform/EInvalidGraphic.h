#pragma once
// Raised by picture classes for a picture they cannot read, write or convert.
#include "platform/Exception.h"

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
