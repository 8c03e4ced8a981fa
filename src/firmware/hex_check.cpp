#include "firmware/hex_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/regular_file.h"
#include "platform/text.h"

namespace orvane::firmware {
namespace {

class HexScanner {
  public:
    // Feeds one byte of the file; false once a fault is known.
    bool Take(char c) {
        if (c == '\n') return EndLine();
        if (column_ == 0) isRecord_ = c == ':';
        if (isRecord_) {
            if (record_.size() <= kLoaderLineLimit + 1) record_.push_back(c);
        } else if (column_ > 0 && column_ % kLoaderLineLimit == 0 && c == ':') {
            return Fail(HexFault::LineTooLong);
        }
        ++column_;
        return true;
    }

    HexCheck Finish() {
        if (check_.ok() && column_ > 0) EndLine();
        if (check_.ok() && !seenEnd_) check_.fault = HexFault::NoEndRecord;
        return check_;
    }

  private:
    bool EndLine() {
        bool ok = !isRecord_ || CheckRecord();
        ++line_;
        column_ = 0;
        isRecord_ = false;
        record_.clear();
        return ok;
    }

    bool CheckRecord() {
        std::string_view text = record_;
        if (text.ends_with('\r')) text.remove_suffix(1);
        if (static_cast<int64_t>(text.size()) > kLoaderLineLimit) {
            return Fail(HexFault::RecordTooLong);
        }
        text.remove_prefix(1);
        bytes_.clear();
        for (char c : text) {
            if (!platform::IsHexDigit(c)) return Fail(HexFault::NotHexDigit);
        }
        if (text.size() % 2 != 0 || text.size() < 10) return Fail(HexFault::ByteCountMismatch);
        for (std::size_t i = 0; i < text.size(); i += 2) {
            bytes_.push_back(static_cast<uint8_t>(*platform::ReadHex(text.substr(i, 2))));
        }
        const std::size_t count = bytes_[0];
        if (bytes_.size() != count + 5) return Fail(HexFault::ByteCountMismatch);
        uint8_t sum = 0;
        for (uint8_t b : bytes_) sum = static_cast<uint8_t>(sum + b);
        if (sum != 0) return Fail(HexFault::BadChecksum);

        const uint8_t type = bytes_[3];
        // Data, end of file, extended segment address, start segment address,
        // extended linear address, start linear address.
        static constexpr int kFixedLength[] = {-1, 0, 2, 4, 2, 4};
        if (type > 5) return Fail(HexFault::UnknownRecordType);
        if (kFixedLength[type] >= 0 && count != static_cast<std::size_t>(kFixedLength[type])) {
            return Fail(HexFault::WrongLengthForType);
        }
        if (seenEnd_) return Fail(HexFault::RecordAfterEnd);
        if (type == 1) seenEnd_ = true;
        return true;
    }

    bool Fail(HexFault fault) {
        check_.fault = fault;
        check_.line = line_;
        return false;
    }

    HexCheck check_;
    int64_t line_ = 1;
    int64_t column_ = 0;
    bool isRecord_ = false;
    bool seenEnd_ = false;
    std::string record_;
    std::vector<uint8_t> bytes_;
};

HexCheck CannotRead(int error) {
    HexCheck check;
    check.fault = HexFault::CannotRead;
    check.detail = std::strerror(error);
    return check;
}

}  // namespace

HexCheck CheckHexFile(const std::string& path) {
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::Read);
    switch (file.refusal) {
        case platform::FileRefusal::None:
            break;
        case platform::FileRefusal::Folder:
            return HexCheck{HexFault::IsFolder, 0, {}};
        case platform::FileRefusal::NotRegular:
            return HexCheck{HexFault::NotAFile, 0, {}};
        case platform::FileRefusal::Missing:
        case platform::FileRefusal::CannotOpen:
            return HexCheck{HexFault::CannotRead, 0, file.reason};
    }

    HexScanner scanner;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.stream.get());
        for (std::size_t i = 0; i < got; ++i) {
            if (!scanner.Take(buffer[i])) return scanner.Finish();
        }
        if (got < buffer.size()) break;
    }
    if (std::ferror(file.stream.get())) return CannotRead(errno);
    return scanner.Finish();
}

std::string DescribeHexCheck(const HexCheck& check) {
    const char* text = "";
    switch (check.fault) {
        case HexFault::None:
            return {};
        case HexFault::CannotRead:
            text = kHexCannotReadText;
            break;
        case HexFault::IsFolder:
            text = kHexIsFolderText;
            break;
        case HexFault::NotAFile:
            text = kHexNotAFileText;
            break;
        case HexFault::NotHexDigit:
            text = kHexNotHexDigitText;
            break;
        case HexFault::ByteCountMismatch:
            text = kHexByteCountText;
            break;
        case HexFault::BadChecksum:
            text = kHexBadChecksumText;
            break;
        case HexFault::UnknownRecordType:
            text = kHexUnknownTypeText;
            break;
        case HexFault::WrongLengthForType:
            text = kHexWrongLengthText;
            break;
        case HexFault::RecordTooLong:
            text = kHexRecordTooLongText;
            break;
        case HexFault::LineTooLong:
            text = kHexLineTooLongText;
            break;
        case HexFault::RecordAfterEnd:
            text = kHexRecordAfterEndText;
            break;
        case HexFault::NoEndRecord:
            text = kHexNoEndRecordText;
            break;
    }
    std::string out = text;
    if (!check.detail.empty()) out.append(": ").append(check.detail);
    if (check.line > 0) out.append(" at line ").append(std::to_string(check.line));
    return out;
}

}  // namespace orvane::firmware
