#include "firmware/rtf_reader.h"

#include <algorithm>
#include <array>
#include <map>

#include "firmware/rtf_escape.h"
#include "platform/text.h"

namespace orvane::firmware {
namespace {

// Nesting beyond this depth keeps the style of the deepest kept group, so a
// file of ten million "{" costs no memory.
constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxWordLength = 32;
constexpr int kMaxParameterDigits = 10;
constexpr std::size_t kMaxColours = 4096;
constexpr std::size_t kMaxFonts = 4096;

// Windows-1252 at 0x80..0x9F; the undefined places map to U+FFFD.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

constexpr std::string_view kSkippedDestinations[] = {
    "info",         "stylesheet", "pict",
    "object",       "header",     "footer",
    "headerl",      "headerr",    "headerf",
    "footerl",      "footerr",    "footerf",
    "fldinst",      "listtable",  "listoverridetable",
    "revtbl",       "rsidtbl",    "generator",
    "xmlnstbl",     "themedata",  "colorschememapping",
    "latentstyles", "datastore",  "filetbl",
    "pgdsctbl",     "footnote",   "annotation",
    "author",       "operator",   "title",
    "subject",      "comment",    "doccomm",
    "keywords",     "nonshppict", "shp",
    "shpinst",      "listtext",   "pntext",
    "pntxta",       "pntxtb",     "falt",
    "panose",       "bkmkstart",  "bkmkend",
    "txe",          "xe",         "tc",
    "atnid",        "atnauthor",  "private",
    "userprops"};

enum class Destination { Text, FontTable, ColourTable, Skip };

struct GroupState {
    Destination destination = Destination::Text;
    int colour = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fontSize = 24;
    int font = -1;  // -1: the document's default font
    int unicodeSkip = 1;
};

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// C0 and C1 controls and DEL: a terminal acts on them (U+009B is CSI), so none
// but line feed and tab may reach the text.
bool IsControl(uint32_t code) {
    if (code == '\n' || code == '\t') return false;
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

uint32_t FromCp1252(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return byte;
}

class RtfReader {
  public:
    explicit RtfReader(std::string_view rtf) : in_(rtf) {}

    std::vector<RtfRun> Read() {
        while (pos_ < in_.size() && !finished_) {
            char c = in_[pos_++];
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                Control();
            } else if (c != '\r' && c != '\n') {
                Character(static_cast<unsigned char>(c));
            }
        }
        FinishFontEntry();
        return std::move(runs_);
    }

  private:
    GroupState& State() { return stack_.back(); }

    void OpenGroup() {
        pendingSkip_ = 0;
        if (stack_.size() >= kMaxDepth) {
            ++excessDepth_;
            return;
        }
        stack_.push_back(State());
        groupStart_ = true;
        styleChanged_ = true;
    }

    void CloseGroup() {
        pendingSkip_ = 0;
        if (excessDepth_ > 0) {
            --excessDepth_;
            return;
        }
        if (State().destination == Destination::FontTable) FinishFontEntry();
        if (stack_.size() <= 1) return;  // a stray "}" before any group
        stack_.pop_back();
        styleChanged_ = true;
        // The document ends with its outermost group.
        if (stack_.size() == 1 && sawRtf_) finished_ = true;
    }

    void Control() {
        if (pos_ >= in_.size()) return;
        char c = in_[pos_];
        if (IsLetter(c)) return Word();
        ++pos_;
        if (c != '*') groupStart_ = false;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                return Character(static_cast<unsigned char>(c));
            case '\'': {
                std::string_view digits = in_.substr(pos_, 2);
                std::optional<uint32_t> byte =
                    digits.size() == 2 ? platform::ReadHex(digits) : std::nullopt;
                if (!byte) return;
                pos_ += 2;
                if (ConsumeSkip()) return;
                return Code(FromCp1252(static_cast<unsigned char>(*byte)));
            }
            case '~':
                return Special(0x00A0);
            case '_':
                return Special('-');
            case '*':
                if (groupStart_) State().destination = Destination::Skip;
                return;
            case '\r':
            case '\n':
                return Special('\n');
            default:
                return;  // "\-" optional hyphen and unknown symbols
        }
    }

    void Word() {
        std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < kMaxWordLength) ++pos_;
        std::string_view word = in_.substr(start, pos_ - start);
        while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;  // an absurdly long word

        bool hasParameter = false;
        bool negative = false;
        int64_t parameter = 0;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        for (int digits = 0; pos_ < in_.size() && IsDigit(in_[pos_]); ++pos_, ++digits) {
            hasParameter = true;
            if (digits < kMaxParameterDigits) parameter = parameter * 10 + (in_[pos_] - '0');
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        parameter = std::clamp<int64_t>(negative ? -parameter : parameter, -2147483647, 2147483647);
        bool atGroupStart = groupStart_;
        groupStart_ = false;
        Apply(word, hasParameter, static_cast<int>(parameter), atGroupStart);
    }

    void Apply(std::string_view word, bool hasParameter, int value, bool atGroupStart) {
        GroupState& s = State();
        if (word == "bin") {
            // Binary data may hold braces; it is skipped wherever it stands.
            std::size_t n = hasParameter && value > 0 ? static_cast<std::size_t>(value) : 0;
            pos_ += std::min(n, in_.size() - pos_);
            return;
        }
        if (word == "rtf") {
            sawRtf_ = true;
        } else if (word == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            s.destination = Destination::ColourTable;
        } else if (atGroupStart &&
                   std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations),
                             word) != std::end(kSkippedDestinations)) {
            s.destination = Destination::Skip;
        }
        if (s.destination == Destination::Skip) return;
        if (s.destination == Destination::FontTable) {
            if (word == "f") fontNumber_ = value;
            return;
        }
        if (s.destination == Destination::ColourTable) {
            if (word == "red") colour_.red = static_cast<uint8_t>(std::clamp(value, 0, 255));
            if (word == "green") colour_.green = static_cast<uint8_t>(std::clamp(value, 0, 255));
            if (word == "blue") colour_.blue = static_cast<uint8_t>(std::clamp(value, 0, 255));
            if (word == "red" || word == "green" || word == "blue") colourSet_ = true;
            return;
        }

        if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
            Special('\n');
        } else if (word == "tab" || word == "cell") {
            Special('\t');
        } else if (word == "u" && hasParameter) {
            Unicode(value);
        } else if (word == "uc") {
            s.unicodeSkip = std::clamp(value, 0, 8);
        } else if (word == "emdash") {
            Special(0x2014);
        } else if (word == "endash") {
            Special(0x2013);
        } else if (word == "lquote") {
            Special(0x2018);
        } else if (word == "rquote") {
            Special(0x2019);
        } else if (word == "ldblquote") {
            Special(0x201C);
        } else if (word == "rdblquote") {
            Special(0x201D);
        } else if (word == "bullet") {
            Special(0x2022);
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            Special(' ');
        } else {
            Style(word, hasParameter, value);
        }
    }

    void Style(std::string_view word, bool hasParameter, int value) {
        GroupState& s = State();
        const bool on = !hasParameter || value != 0;
        styleChanged_ = true;
        if (word == "b") {
            s.bold = on;
        } else if (word == "i") {
            s.italic = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" ||
                   word == "uldash" || word == "ulth" || word == "ulwave") {
            s.underline = on;
        } else if (word == "ulnone") {
            s.underline = false;
        } else if (word == "cf") {
            s.colour = hasParameter ? value : 0;
        } else if (word == "fs") {
            s.fontSize = hasParameter && value > 0 ? value : 24;
        } else if (word == "f") {
            s.font = hasParameter ? value : -1;
        } else if (word == "deff") {
            defaultFont_ = value;
        } else if (word == "plain") {
            s.bold = s.italic = s.underline = false;
            s.colour = 0;
            s.fontSize = 24;
            s.font = -1;
        }
        // \pard and everything else: paragraph layout or unknown, not shown.
    }

    void Character(unsigned char c) {
        groupStart_ = false;
        GroupState& s = State();
        if (s.destination == Destination::FontTable) {
            if (c == ';') {
                FinishFontEntry();
            } else {
                fontName_ += static_cast<char>(c);
            }
            return;
        }
        if (s.destination == Destination::ColourTable) {
            if (c == ';' && colours_.size() < kMaxColours) {
                colours_.push_back(colourSet_ ? std::optional<RgbColour>(colour_) : std::nullopt);
                colour_ = {};
                colourSet_ = false;
            }
            return;
        }
        if (ConsumeSkip()) return;
        Code(FromCp1252(c));
    }

    // A character shown on its own, such as a paragraph end or a dash.
    void Special(uint32_t code) {
        groupStart_ = false;
        if (ConsumeSkip()) return;
        Code(code);
    }

    // RTF writes a UTF-16 unit as a signed 16-bit number.
    void Unicode(int value) {
        int unit = value < 0 ? value + 65536 : value;
        uint32_t code = unit >= 0 && unit <= 0xFFFF ? static_cast<uint32_t>(unit) : 0xFFFD;
        bool low = code >= 0xDC00 && code <= 0xDFFF;
        if (highSurrogate_ != 0 && !low) Append(0xFFFD);
        if (code >= 0xD800 && code <= 0xDBFF) {
            highSurrogate_ = code;
        } else if (low && highSurrogate_ != 0) {
            Append(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (code - 0xDC00));
            highSurrogate_ = 0;
        } else {
            highSurrogate_ = 0;
            Append(low ? 0xFFFD : code);
        }
        pendingSkip_ = State().unicodeSkip;
    }

    // The characters that stand in for a \u character in older readers.
    bool ConsumeSkip() {
        if (pendingSkip_ == 0) return false;
        --pendingSkip_;
        return true;
    }

    // A character of the text; a high surrogate left waiting was never completed.
    void Code(uint32_t code) {
        if (highSurrogate_ != 0) {
            highSurrogate_ = 0;
            Append(0xFFFD);
        }
        Append(code);
    }

    void Append(uint32_t code) {
        if (State().destination != Destination::Text) return;
        if (IsControl(code)) return;
        if (styleChanged_ || runs_.empty()) StartRunIfNeeded();
        AppendUtf8(runs_.back().text, code);
    }

    void StartRunIfNeeded() {
        styleChanged_ = false;
        const GroupState& s = State();
        RtfRun style;
        style.bold = s.bold;
        style.italic = s.italic;
        style.underline = s.underline;
        style.fontSize = s.fontSize;
        if (s.colour > 0 && static_cast<std::size_t>(s.colour) < colours_.size()) {
            style.colour = colours_[static_cast<std::size_t>(s.colour)];
        }
        auto font = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
        if (font != fonts_.end()) style.font = font->second;
        if (!runs_.empty() && SameStyle(runs_.back(), style)) return;
        runs_.push_back(std::move(style));
    }

    static bool SameStyle(const RtfRun& a, const RtfRun& b) {
        return a.colour == b.colour && a.bold == b.bold && a.italic == b.italic &&
               a.underline == b.underline && a.fontSize == b.fontSize && a.font == b.font;
    }

    void FinishFontEntry() {
        // Font names may carry trailing blanks before the ";".
        while (!fontName_.empty() && fontName_.back() == ' ') fontName_.pop_back();
        if (!fontName_.empty() && fontNumber_ >= 0 && fonts_.size() < kMaxFonts) {
            fonts_[fontNumber_] = fontName_;
        }
        fontName_.clear();
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<GroupState> stack_{GroupState{}};
    std::size_t excessDepth_ = 0;
    bool groupStart_ = false;
    bool sawRtf_ = false;
    bool finished_ = false;
    bool styleChanged_ = true;
    int pendingSkip_ = 0;
    uint32_t highSurrogate_ = 0;
    int defaultFont_ = 0;

    std::map<int, std::string> fonts_;
    int fontNumber_ = -1;
    std::string fontName_;
    std::vector<std::optional<RgbColour>> colours_;
    RgbColour colour_;
    bool colourSet_ = false;

    std::vector<RtfRun> runs_;
};

// Text that is not RTF: UTF-8 where it is valid, and a byte that is not read
// as Windows-1252, as RTF would. Decoding first means that dropping a control
// character can never join its neighbours into a new one.
std::vector<RtfRun> PlainText(std::string_view text) {
    RtfRun run;
    for (std::size_t i = 0; i < text.size();) {
        Utf8Char ch = DecodeUtf8(text, i);
        uint32_t code = ch.length > 0 ? ch.code : FromCp1252(static_cast<unsigned char>(text[i]));
        if (!IsControl(code)) AppendUtf8(run.text, code);
        i += ch.length > 0 ? ch.length : 1;
    }
    if (run.text.empty()) return {};
    return {std::move(run)};
}

}  // namespace

std::vector<RtfRun> ReadRtf(std::string_view rtf) {
    if (!rtf.starts_with("{\\rtf")) return PlainText(rtf);
    return RtfReader(rtf).Read();
}

}  // namespace orvane::firmware
