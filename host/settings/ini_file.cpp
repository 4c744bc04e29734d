#include "ini_file.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cp932.h"
#include "file_writing.h"
#include "utf8.h"

namespace quillmere {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string_view::npos;

enum class Encoding { Cp932, Utf8 };

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Blanks are below 0x40, so they are never the second byte of a CP932 character.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The second byte of a CP932 character can look like ASCII ('A'-'Z', ']', ...), so scans step
// over whole characters. In UTF-8 no ASCII byte occurs inside a character.
std::size_t CharWidth(std::string_view text, std::size_t pos, Encoding encoding) {
    if (encoding == Encoding::Cp932 && IsCp932LeadByte(static_cast<unsigned char>(text[pos])) &&
        pos + 1 < text.size()) {
        return 2;
    }
    return 1;
}

std::size_t FindChar(std::string_view text, char wanted, Encoding encoding, bool last) {
    std::size_t found = npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharWidth(text, pos, encoding)) {
        if (text[pos] == wanted && CharWidth(text, pos, encoding) == 1) {
            found = pos;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b, Encoding encoding) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t pos = 0; pos < a.size();) {
        if (CharWidth(a, pos, encoding) == 2) {
            if (a[pos] != b[pos] || a[pos + 1] != b[pos + 1]) {
                return false;
            }
            pos += 2;
        } else {
            if (FoldAscii(a[pos]) != FoldAscii(b[pos])) {
                return false;
            }
            ++pos;
        }
    }
    return true;
}

// Longest prefix of at most limit bytes that does not end inside a UTF-8 character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    auto isContinuation = [&](std::size_t pos) {
        return (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80;
    };
    std::size_t pos = limit;
    for (int step = 0; step < 3 && pos > 0 && isContinuation(pos); ++step) {
        --pos;
    }
    return isContinuation(pos) ? limit : pos;  // not UTF-8 there: cut at the limit
}

struct Line {
    std::string_view body;    // without its line ending
    std::string_view ending;  // "\n", "\r\n", "\r", or empty for a last line without one
};

struct Document {
    Encoding encoding = Encoding::Cp932;
    std::string_view bom;
    std::vector<Line> lines;
};

Document Parse(std::string_view text) {
    Document doc;
    if (text.starts_with(kBom)) {
        doc.encoding = Encoding::Utf8;
        doc.bom = text.substr(0, kBom.size());
        text.remove_prefix(kBom.size());
    }
    // A line ends at LF, at CR LF, or at a CR on its own, as the platform's reader takes them.
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        if (end == npos) {
            doc.lines.push_back({text, {}});
            break;
        }
        const std::size_t next = text.substr(end).starts_with("\r\n") ? end + 2 : end + 1;
        doc.lines.push_back({text.substr(0, end), text.substr(end, next - end)});
        text.remove_prefix(next);
    }
    return doc;
}

// The file's own line ending; CR LF in a file that has none yet, as the Windows profile functions
// write, so that both platforms write the same bytes for the same choices.
std::string_view LineEndingOf(const Document& doc) {
    for (const Line& line : doc.lines) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\r\n";
}

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::size_t valueStart = 0;  // offset of the value in the body (just after '=')
};

LineInfo Classify(std::string_view body, Encoding encoding) {
    std::size_t start = 0;
    while (start < body.size() && IsBlank(body[start])) {
        ++start;
    }
    if (start == body.size() || body[start] == ';') {
        return {};
    }
    if (body[start] == '[') {
        const std::string_view rest = body.substr(start);
        const std::size_t close = FindChar(rest, ']', encoding, true);
        if (close != npos) {
            return {LineKind::Section, Trim(rest.substr(1, close - 1)), 0};
        }
    }
    const std::size_t equals = FindChar(body, '=', encoding, false);
    if (equals != npos) {
        return {LineKind::Key, Trim(body.substr(0, equals)), equals + 1};
    }
    return {};
}

struct Location {
    std::optional<std::size_t> keyLine;
    // Last non-blank line of the first matching section (its header when it holds nothing).
    std::optional<std::size_t> sectionLast;
};

// Only the first section of a name is searched; a later one of the same name is never read, so
// writes go to the first one too.
Location Locate(const Document& doc, std::string_view section, std::string_view key) {
    Location where;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const LineInfo info = Classify(doc.lines[i].body, doc.encoding);
        if (info.kind == LineKind::Section) {
            if (where.sectionLast) {
                break;  // the end of the first matching section
            }
            if (SameName(info.name, section, doc.encoding)) {
                where.sectionLast = i;
            }
            continue;
        }
        if (!where.sectionLast) {
            continue;
        }
        if (info.kind == LineKind::Key && SameName(info.name, key, doc.encoding)) {
            where.keyLine = i;
            break;
        }
        if (!Trim(doc.lines[i].body).empty()) {
            where.sectionLast = i;
        }
    }
    return where;
}

std::optional<std::string> EncodeName(std::string_view name, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        return IsUtf8(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    return Utf8ToCp932Exact(name);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '%' && pos + 2 < text.size() && HexDigit(text[pos + 1]) >= 0 &&
            HexDigit(text[pos + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[pos + 1]) * 16 + HexDigit(text[pos + 2]));
            pos += 2;
        } else {
            out += text[pos];
        }
    }
    return out;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool NeedsMark(std::string_view value) {
    if (value.starts_with(kBom)) {
        return true;
    }
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return true;
        }
    }
    if (!value.empty() && value.back() == ' ') {
        return true;
    }
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

std::string EncodeValue(std::string_view value, Encoding encoding) {
    // Readers skip leading spaces whatever follows, so they never read back; what comes after
    // them decides whether the value needs the mark, which then follows the spaces.
    const std::size_t textStart = std::min(value.find_first_not_of(' '), value.size());
    const std::string_view blanks = value.substr(0, textStart);
    const std::string_view text = value.substr(textStart);
    if (!NeedsMark(text)) {
        if (encoding == Encoding::Utf8 && IsUtf8(value)) {
            return std::string(value);
        }
        if (encoding == Encoding::Cp932) {
            if (std::optional<std::string> cp932 = Utf8ToCp932Exact(value)) {
                return *cp932;
            }
        }
    }
    std::size_t keptEnd = text.size();
    while (keptEnd > 0 && text[keptEnd - 1] == ' ') {
        --keptEnd;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(blanks);
    out += kBom;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x20 || byte == '%' || pos >= keptEnd) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string DecodeValue(std::string_view raw, Encoding encoding) {
    // The platform hands values over as C strings.
    raw = raw.substr(0, raw.find('\0'));
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.starts_with(kBom)) {
        std::string bytes = Unescape(value.substr(kBom.size()));
        bytes.resize(Utf8PrefixLength(bytes, kIniValueLimit));
        return bytes;
    }
    if (encoding == Encoding::Utf8) {
        return std::string(value.substr(0, Utf8PrefixLength(value, kIniValueLimit)));
    }
    const std::string_view cut = value.substr(0, Cp932PrefixLength(value, kIniValueLimit));
    if (std::optional<std::string> utf8 = Cp932ToUtf8(cut)) {
        return *utf8;
    }
    return std::string(cut);  // not CP932 after all: hand the bytes over rather than lose them
}

bool HasBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

}  // namespace

std::string ReadIniValue(std::string_view fileBytes, std::string_view section,
                         std::string_view key) {
    const Document doc = Parse(fileBytes);
    const std::optional<std::string> fileSection = EncodeName(section, doc.encoding);
    const std::optional<std::string> fileKey = EncodeName(key, doc.encoding);
    if (!fileSection || !fileKey) {
        return {};
    }
    const Location where = Locate(doc, *fileSection, *fileKey);
    if (!where.keyLine) {
        return {};
    }
    const std::string_view body = doc.lines[*where.keyLine].body;
    const LineInfo info = Classify(body, doc.encoding);
    return DecodeValue(body.substr(info.valueStart), doc.encoding);
}

std::optional<std::string> SetIniValue(std::string_view fileBytes, std::string_view section,
                                       std::string_view key, std::string_view value) {
    // Names that would not read back as the same section and key are refused.
    if (key.empty() || HasBreakOrNul(section) || HasBreakOrNul(key) || key.find('=') != npos ||
        key.front() == ';' || key.front() == '[' || Trim(key) != key || Trim(section) != section) {
        return std::nullopt;
    }
    const Document doc = Parse(fileBytes);
    const std::optional<std::string> fileSection = EncodeName(section, doc.encoding);
    const std::optional<std::string> fileKey = EncodeName(key, doc.encoding);
    if (!fileSection || !fileKey) {
        return std::nullopt;
    }
    const std::string fileValue = EncodeValue(value, doc.encoding);
    const std::string_view eol = LineEndingOf(doc);
    const Location where = Locate(doc, *fileSection, *fileKey);

    std::string out(doc.bom);
    out.reserve(fileBytes.size() + fileKey->size() + fileValue.size() + fileSection->size() + 8);
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const Line& line = doc.lines[i];
        if (where.keyLine == i) {
            const LineInfo info = Classify(line.body, doc.encoding);
            out += line.body.substr(0, info.valueStart);
            out += fileValue;
            out += line.ending;
            continue;
        }
        out += line.body;
        out += line.ending;
        if (!where.keyLine && where.sectionLast == i) {
            if (line.ending.empty()) {
                out += eol;
            }
            out += *fileKey + "=" + fileValue;
            out += eol;
        }
    }
    if (!where.keyLine && !where.sectionLast) {
        if (!doc.lines.empty() && doc.lines.back().ending.empty()) {
            out += eol;
        }
        out += "[" + *fileSection + "]";
        out += eol;
        out += *fileKey + "=" + fileValue;
        out += eol;
    }
    return out;
}

std::string ReadIniFile(const std::string& section, const std::string& key,
                        const std::string& file) {
    std::string bytes;
    if (ReadRegularFile(file, bytes) != FileRead::Ok) {
        return {};
    }
    return ReadIniValue(bytes, section, key);
}

bool WriteIniFile(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file) {
    if (file.empty()) {
        return false;
    }
    const std::optional<std::string> target = FinalLinkTarget(file);
    if (!target) {
        return false;
    }
    const std::string folder = FolderPart(*target);
    if (!folder.empty() && !CreateFolderWithParents(folder, 0700)) {
        return false;
    }
    std::string old;
    unsigned permissions = 0600;
    const FileRead read = ReadRegularFile(*target, old, &permissions);
    if (read == FileRead::Failed) {
        return false;  // never replace what we could not read
    }
    const std::optional<std::string> updated = SetIniValue(old, section, key, value);
    if (!updated) {
        return false;
    }
    if (read == FileRead::Ok && *updated == old) {
        return true;
    }
    // Readers see either the old file or the new one, never a part; a failure leaves the old one.
    return ReplaceFileBytes(*target, *updated, permissions, Durability::PowerLoss);
}

}  // namespace quillmere
