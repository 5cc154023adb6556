#pragma once

// The text form of a registry hive file: REGEDIT4 as regedit exports it.
// Pure text in and out, so the parser can be fuzzed without touching files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keldo::platform {

struct HiveValue {
  std::string name;  // empty for the default value ("@")
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  bool operator==(const HiveValue&) const = default;
};

struct HiveKey {
  // Path below the root without a leading backslash, spelled as first written;
  // for an opaque section, its header line.
  std::string path;
  // A section whose header does not name a key of this hive (another root, a
  // deletion entry, ...): its lines are kept, nothing in it is addressable.
  bool opaque = false;
  std::vector<HiveValue> values;
  // Lines of the section that did not parse, kept verbatim so that a save
  // never loses what somebody wrote by hand.
  std::vector<std::string> keptLines;

  bool operator==(const HiveKey&) const = default;
};

struct Hive {
  std::vector<std::string> keptLines;  // unparsed lines before the first section
  std::vector<HiveKey> keys;

  bool operator==(const Hive&) const = default;
};

// Parses a hive file of the root named `rootName` (e.g. "HKEY_LOCAL_MACHINE").
// Returns nothing for a file that is not REGEDIT4 at all (an empty one is an
// empty hive); inside one, lines that do not parse are kept in keptLines and
// everything else stays usable.
std::optional<Hive> ParseHive(std::string_view text, std::string_view rootName);

// Writes the hive back in the same syntax, LF line ends; ParseHive of the
// result yields an equal Hive.
std::string WriteHive(const Hive& hive, std::string_view rootName);

// Case-insensitive (ASCII) comparison, as Windows compares key and value names.
bool SameName(std::string_view a, std::string_view b);
// The name with its letters in one case: equal for names SameName finds equal.
std::string FoldedName(std::string_view name);

// The key at `path` (components separated by '\'), or null. Opaque sections
// never match.
HiveKey* FindKey(Hive& hive, std::string_view path);
const HiveKey* FindKey(const Hive& hive, std::string_view path);

// Whether the key exists: written as a section, or implied by a section below it.
bool KeyExists(const Hive& hive, std::string_view path);
// Adds sections for the key and for every ancestor that does not exist yet,
// as regedit lists every key on the way down.
void AddKey(Hive& hive, const std::string& path);

HiveValue* FindValue(HiveKey& key, std::string_view name);
const HiveValue* FindValue(const HiveKey& key, std::string_view name);

}  // namespace keldo::platform
