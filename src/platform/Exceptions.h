// The exception family the program raises. Every failure is an Exception
// carrying only its message text, as the user sees it.
#pragma once

#include <stdexcept>
#include <string>

namespace quarnel {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

#define QUARNEL_EXCEPTION(name, base)                                 \
    class name : public base {                                        \
    public:                                                           \
        explicit name(const std::string& message) : base(message) {}  \
    }

QUARNEL_EXCEPTION(EConvertError, Exception);
QUARNEL_EXCEPTION(EInOutError, Exception);
QUARNEL_EXCEPTION(EStringListError, Exception);
QUARNEL_EXCEPTION(EInvalidOperation, Exception);
QUARNEL_EXCEPTION(EStreamError, Exception);
QUARNEL_EXCEPTION(EReadError, EStreamError);
QUARNEL_EXCEPTION(EWriteError, EStreamError);
QUARNEL_EXCEPTION(EFOpenError, EStreamError);
QUARNEL_EXCEPTION(EFCreateError, EStreamError);
QUARNEL_EXCEPTION(EIniFileError, Exception);
// A worker asked the UI thread for something after the UI had closed.
QUARNEL_EXCEPTION(EUiClosed, Exception);

#undef QUARNEL_EXCEPTION

// The system's text for an errno value, for messages that name a cause.
std::string SysErrorMessage(int error);

}  // namespace quarnel
