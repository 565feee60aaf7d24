#include "support/Checks.h"

#include "support/md5.h"

namespace quarnel::test {

std::string Md5Of(const std::string& bytes) {
    DigestContext context;
    DigestInit(context);
    DigestUpdate(context, bytes.data(), static_cast<uint32_t>(bytes.size()));
    Digest digest;
    DigestFinal(context, digest);
    return DigestToHex(digest);
}

}  // namespace quarnel::test
