#include "transport/link.h"

#include <algorithm>
#include <cstring>

namespace orvane::transport {

bool Link::RefillEmpty() {
    next_ = end_ = buffer_.get();
    if (!failed_) Refill();
    return next_ != end_;
}

int Link::ReadByteRefilling() {
    if (!RefillEmpty()) return failed_ ? -1 : -2;
    return *next_++;
}

int Link::ReadBytes(uint8_t* out, std::size_t max) {
    if (next_ == end_ && !RefillEmpty()) return failed_ ? -1 : 0;
    std::size_t n = std::min(max, Buffered());
    std::memcpy(out, next_, n);
    next_ += n;
    return static_cast<int>(n);
}

}  // namespace orvane::transport
