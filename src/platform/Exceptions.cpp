#include "platform/Exceptions.h"

#include <cstring>

namespace quarnel {

std::string SysErrorMessage(int error) {
    return std::strerror(error);
}

}  // namespace quarnel
