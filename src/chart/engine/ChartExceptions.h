#pragma once
// The chart library's errors. Each carries a library text (TeeMsg_...) as its message.
#include "platform/Exception.h"

class ChartException : public Exception {
public:
    using Exception::Exception;
};

class AxisException : public Exception {
public:
    using Exception::Exception;
};

class LegendException : public Exception {
public:
    using Exception::Exception;
};
