// Small checks several tests share.
#pragma once

#include <exception>
#include <string>

namespace quarnel::test {

// True when error holds an exception of type E.
template <typename E>
bool Raises(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const E&) {
        return true;
    } catch (...) {
    }
    return false;
}

// The MD5 text of bytes, as a manifest holds it.
std::string Md5Of(const std::string& bytes);

}  // namespace quarnel::test
