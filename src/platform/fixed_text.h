#pragma once
// A zero-terminated text field of fixed capacity. Every assignment cuts at the
// capacity, so no copy into a record field can overrun it.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace orvane::platform {

template <std::size_t N>
class FixedText {
    static_assert(N >= 1, "a field needs room for its terminator");

  public:
    static constexpr std::size_t kCapacity = N;       // bytes, terminator included
    static constexpr std::size_t kMaxLength = N - 1;  // characters

    FixedText() { buf_[0] = '\0'; }
    FixedText(std::string_view text) { Assign(text); }  // NOLINT: implicit on purpose
    FixedText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    FixedText& operator=(const char* text) {
        Assign(text ? std::string_view(text) : std::string_view());
        return *this;
    }

    void Assign(std::string_view text) {
        // The text may be a view into this very field; memmove copes with overlap.
        std::size_t n = std::min(text.size(), kMaxLength);
        if (n > 0) std::memmove(buf_, text.data(), n);
        buf_[n] = '\0';
        // Stop at an embedded zero byte, as a C string would.
        len_ = std::strlen(buf_);
    }
    void Clear() { Assign({}); }

    const char* c_str() const { return buf_; }
    std::string_view view() const { return {buf_, len_}; }
    std::string str() const { return std::string(view()); }
    std::size_t size() const { return len_; }
    bool empty() const { return len_ == 0; }
    operator std::string_view() const { return view(); }  // NOLINT

    friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

  private:
    char buf_[N];
    std::size_t len_ = 0;
};

}  // namespace orvane::platform
