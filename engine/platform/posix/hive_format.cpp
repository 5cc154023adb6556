#include "engine/platform/posix/hive_format.h"

#include <cstdio>
#include <unordered_map>

namespace keldo::platform {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::uint32_t kTypeSz = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeDword = 4;
// regedit wraps hex data so that no line grows past 80 columns.
constexpr std::size_t kWrapColumn = 76;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) {
    s.remove_prefix(1);
  }
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

std::string_view Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  c = Lower(c);
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (char c : s) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// A quoted string at the start of `s` with the \\ and \" escapes; `s` is
// advanced past the closing quote.
std::optional<std::string> ParseQuoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') {
    return std::nullopt;
  }
  std::string text;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return text;
    }
    if (c == '\\') {
      if (i + 1 == s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
        return std::nullopt;
      }
      text.push_back(s[++i]);
      continue;
    }
    text.push_back(c);
  }
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out.push_back('\\');
    }
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::optional<std::vector<std::uint8_t>> ParseBytes(std::string_view s) {
  std::vector<std::uint8_t> bytes;
  s = Trim(s);
  if (s.empty()) {
    return bytes;
  }
  for (;;) {
    const std::size_t comma = s.find(',');
    const auto byte = ParseHexNumber(Trim(s.substr(0, comma)), 2);
    if (!byte) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    if (comma == std::string_view::npos) {
      return bytes;
    }
    s.remove_prefix(comma + 1);
  }
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    while (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.emplace_back(line);
    if (end == std::string_view::npos) {
      break;
    }
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The path below the root named by a section header, or nothing when the
// header names no key of this hive.
std::optional<std::string> ParseKeyHeader(std::string_view line, std::string_view rootName) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
    return std::nullopt;
  }
  const std::string_view inner = line.substr(1, line.size() - 2);
  const std::size_t slash = inner.find('\\');
  if (!SameName(inner.substr(0, slash), rootName)) {
    return std::nullopt;
  }
  if (slash == std::string_view::npos) {
    return std::string();
  }
  const std::string_view path = inner.substr(slash + 1);
  if (path.empty() || path.back() == '\\' || path.find("\\\\") != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(path);
}

class Parser {
 public:
  Parser(std::vector<std::string> lines, std::string_view rootName)
      : lines_(std::move(lines)), rootName_(rootName) {}

  std::optional<Hive> Run() {
    std::size_t i = 0;
    while (i < lines_.size() && Trim(lines_[i]).empty()) {
      ++i;
    }
    if (i == lines_.size()) {
      return std::move(hive_);  // an empty file holds no keys, it is not foreign
    }
    if (Trim(lines_[i]) != kHeader) {
      return std::nullopt;
    }
    for (++i; i < lines_.size();) {
      i = ParseLine(i);
    }
    return std::move(hive_);
  }

 private:
  // Returns the index of the next line to parse.
  std::size_t ParseLine(std::size_t i) {
    const std::string_view line = TrimLeft(lines_[i]);
    if (line.empty()) {
      return i + 1;
    }
    if (line.front() == '[') {
      StartSection(lines_[i]);
      return i + 1;
    }
    if ((line.front() == '"' || line.front() == '@') && section_ && !hive_.keys[*section_].opaque) {
      return ParseValue(i);
    }
    Keep(i, i + 1);
    return i + 1;
  }

  void StartSection(const std::string& line) {
    const auto path = ParseKeyHeader(line, rootName_);
    if (!path) {
      hive_.keys.push_back(HiveKey{line, true, {}, {}});
      section_ = hive_.keys.size() - 1;
      return;
    }
    for (std::size_t k = 0; k < hive_.keys.size(); ++k) {
      if (!hive_.keys[k].opaque && SameName(hive_.keys[k].path, *path)) {
        section_ = k;
        return;
      }
    }
    hive_.keys.push_back(HiveKey{*path, false, {}, {}});
    section_ = hive_.keys.size() - 1;
  }

  std::size_t ParseValue(std::size_t first) {
    std::size_t next = first + 1;
    std::optional<HiveValue> value = ParseValueText(first, next);
    if (!value) {
      Keep(first, next);
      return next;
    }
    // A name given twice keeps its first place and takes its last data.
    HiveKey& key = hive_.keys[*section_];
    const auto [at, added] =
        valueIndex_[*section_].try_emplace(FoldedName(value->name), key.values.size());
    if (added) {
      key.values.push_back(std::move(*value));
    } else {
      key.values[at->second].type = value->type;
      key.values[at->second].data = std::move(value->data);
    }
    return next;
  }

  // `next` is advanced past any continuation lines the value took.
  std::optional<HiveValue> ParseValueText(std::size_t first, std::size_t& next) {
    std::string_view s = TrimLeft(lines_[first]);
    HiveValue value;
    if (s.front() == '@') {
      s.remove_prefix(1);
    } else {
      auto name = ParseQuoted(s);
      if (!name) {
        return std::nullopt;
      }
      value.name = std::move(*name);
    }
    s = TrimLeft(s);
    if (s.empty() || s.front() != '=') {
      return std::nullopt;
    }
    s = TrimLeft(s.substr(1));

    if (!s.empty() && s.front() == '"') {
      auto text = ParseQuoted(s);
      if (!text || !Trim(s).empty()) {
        return std::nullopt;
      }
      value.type = kTypeSz;
      value.data.assign(text->begin(), text->end());
      value.data.push_back(0);
      return value;
    }
    if (StartsWithNoCase(s, "dword:")) {
      const auto number = ParseHexNumber(Trim(s.substr(6)), 8);
      if (!number) {
        return std::nullopt;
      }
      value.type = kTypeDword;
      for (int shift = 0; shift < 32; shift += 8) {
        value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
      }
      return value;
    }
    if (!StartsWithNoCase(s, "hex")) {
      return std::nullopt;
    }
    s.remove_prefix(3);
    value.type = kTypeBinary;
    if (!s.empty() && s.front() == '(') {
      const std::size_t close = s.find(')');
      const auto type = ParseHexNumber(s.substr(1, close == s.npos ? s.npos : close - 1), 8);
      if (close == s.npos || !type) {
        return std::nullopt;
      }
      value.type = *type;
      s.remove_prefix(close + 1);
    }
    if (s.empty() || s.front() != ':') {
      return std::nullopt;
    }
    std::string bytes(TrimRight(s.substr(1)));
    while (!bytes.empty() && bytes.back() == '\\') {
      bytes.pop_back();
      // A blank line, a section header or the next value ends the data, so a
      // broken value never swallows what follows it.
      if (next == lines_.size()) {
        return std::nullopt;
      }
      const std::string_view more = Trim(lines_[next]);
      if (more.empty() || more.front() == '[' || more.front() == '"' || more.front() == '@') {
        return std::nullopt;
      }
      bytes += more;
      ++next;
    }
    auto data = ParseBytes(bytes);
    if (!data) {
      return std::nullopt;
    }
    value.data = std::move(*data);
    return value;
  }

  void Keep(std::size_t first, std::size_t end) {
    auto& kept = section_ ? hive_.keys[*section_].keptLines : hive_.keptLines;
    kept.insert(kept.end(), lines_.begin() + static_cast<std::ptrdiff_t>(first),
                lines_.begin() + static_cast<std::ptrdiff_t>(end));
  }

  std::vector<std::string> lines_;
  std::string_view rootName_;
  Hive hive_;
  std::optional<std::size_t> section_;
  // Per section, where each value name (letter case folded) stands: a key of
  // thousands of values parses in linear time.
  std::unordered_map<std::size_t, std::unordered_map<std::string, std::size_t>> valueIndex_;
};

bool IsPlainText(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) {
    return false;
  }
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0 || data[i] == '\n') {
      return false;
    }
  }
  return true;
}

void WriteValue(std::string& out, const HiveValue& value) {
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  line += '=';
  if (value.type == kTypeSz && IsPlainText(value.data)) {
    line += Quote(
        std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    out += line + '\n';
    return;
  }
  char buffer[32];
  if (value.type == kTypeDword && value.data.size() == 4) {
    const std::uint32_t number = std::uint32_t{value.data[0]} | std::uint32_t{value.data[1]} << 8 |
                                 std::uint32_t{value.data[2]} << 16 |
                                 std::uint32_t{value.data[3]} << 24;
    std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
    out += line + buffer + '\n';
    return;
  }
  if (value.type == kTypeBinary) {
    line += "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    line += buffer;
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", value.data[i]);
    line += buffer;
    if (i + 1 < value.data.size()) {
      line += ',';
      if (line.size() > kWrapColumn) {
        out += line + "\\\n";
        line = "  ";
      }
    }
  }
  out += line + '\n';
}

void WriteKeptLines(std::string& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
    // A kept line ending in a backslash would otherwise continue into the
    // next one when read back; a blank line ends it and is not kept itself.
    if (const auto trimmed = TrimRight(line); !trimmed.empty() && trimmed.back() == '\\') {
      out += '\n';
    }
  }
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    c = Lower(c);
  }
  return folded;
}

std::optional<Hive> ParseHive(std::string_view text, std::string_view rootName) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    text.remove_prefix(kUtf8Bom.size());
  }
  return Parser(SplitLines(text), rootName).Run();
}

std::string WriteHive(const Hive& hive, std::string_view rootName) {
  std::string out(kHeader);
  out += "\n\n";
  if (!hive.keptLines.empty()) {
    WriteKeptLines(out, hive.keptLines);
    out += '\n';
  }
  for (const HiveKey& key : hive.keys) {
    if (key.opaque) {
      out += key.path + '\n';
    } else {
      out += '[';
      out += rootName;
      if (!key.path.empty()) {
        out += '\\' + key.path;
      }
      out += "]\n";
    }
    for (const HiveValue& value : key.values) {
      WriteValue(out, value);
    }
    WriteKeptLines(out, key.keptLines);
    out += '\n';
  }
  return out;
}

const HiveKey* FindKey(const Hive& hive, std::string_view path) {
  for (const HiveKey& key : hive.keys) {
    if (!key.opaque && SameName(key.path, path)) {
      return &key;
    }
  }
  return nullptr;
}

HiveKey* FindKey(Hive& hive, std::string_view path) {
  return const_cast<HiveKey*>(FindKey(static_cast<const Hive&>(hive), path));
}

bool KeyExists(const Hive& hive, std::string_view path) {
  if (path.empty() || FindKey(hive, path) != nullptr) {
    return true;
  }
  for (const HiveKey& key : hive.keys) {
    if (!key.opaque && key.path.size() > path.size() && key.path[path.size()] == '\\' &&
        SameName(std::string_view(key.path).substr(0, path.size()), path)) {
      return true;
    }
  }
  return false;
}

void AddKey(Hive& hive, const std::string& path) {
  for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    const std::string prefix = path.substr(0, end);
    if (!KeyExists(hive, prefix)) {
      hive.keys.push_back(HiveKey{prefix, false, {}, {}});
    }
    if (end == std::string::npos) {
      return;
    }
  }
}

const HiveValue* FindValue(const HiveKey& key, std::string_view name) {
  for (const HiveValue& value : key.values) {
    if (SameName(value.name, name)) {
      return &value;
    }
  }
  return nullptr;
}

HiveValue* FindValue(HiveKey& key, std::string_view name) {
  return const_cast<HiveValue*>(FindValue(static_cast<const HiveKey&>(key), name));
}

}  // namespace keldo::platform
