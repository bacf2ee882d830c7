#include "albums/path_names.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace weibo {
namespace {

constexpr char kReplacement = '_';
constexpr char kForbidden[] = "<>:\"/\\|?*";
constexpr std::array<std::string_view, 22> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

bool IsForbiddenByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F || (byte != 0 && std::strchr(kForbidden, byte) != nullptr);
}

// The most bytes a character other than ASCII takes in UTF-8.
constexpr std::size_t kWideCharBytes = 3;

// The bytes the character `character` takes in the UTF-8 form of a name.
std::size_t NativeBytes(const Text& character) {
  return character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80 ? 1
                                                                                  : kWideCharBytes;
}

// The character of `name` at `index` as it goes into a name, and its length
// in `name` through `length`.
Text CleanCharacterAt(std::string_view name, std::size_t index, std::size_t* length) {
  if (IsFourByteSequence(name, index)) {
    *length = 4;
    return Text(1, kReplacement);
  }
  *length = CharLength(name, index);
  const auto byte = static_cast<unsigned char>(name[index]);
  if (*length == 2 || byte == 0x80) return Text(name.substr(index, *length));
  // A byte that begins no character: a lead byte without its trail byte, or
  // 0xFF. At the very end it is half a character and is dropped.
  if (byte > 0x80) return index + 1 == name.size() ? Text() : Text(1, kReplacement);
  return Text(1, IsForbiddenByte(byte) ? kReplacement : static_cast<char>(byte));
}

// The characters of `name` as they go into a name, cut where the next one
// would pass kMaxComponentBytes in UTF-8.
std::vector<Text> CleanCharacters(std::string_view name) {
  std::vector<Text> characters;
  std::size_t total = 0;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t length = 0;
    Text character = CleanCharacterAt(name, i, &length);
    i += length;
    if (character.empty()) continue;
    if (total + NativeBytes(character) > kMaxComponentBytes) break;
    total += NativeBytes(character);
    characters.push_back(std::move(character));
  }
  return characters;
}

// Windows drops trailing dots and spaces from names, which would turn
// "abc." into "abc" and ".." into the parent folder.
void ReplaceTrailingDotsAndSpaces(std::vector<Text>& characters) {
  for (auto it = characters.rbegin(); it != characters.rend(); ++it) {
    if (*it != "." && *it != " ") break;
    *it = Text(1, kReplacement);
  }
}

bool IsDeviceName(std::string_view base) {
  const Text upper = AsciiUpper(base);
  for (std::string_view device : kDeviceNames) {
    if (upper == device) return true;
  }
  return false;
}

std::size_t NativeSize(const std::vector<Text>& characters) {
  std::size_t total = 0;
  for (const Text& character : characters) total += NativeBytes(character);
  return total;
}

// A reserved device name before the first dot gets "_" after it. The name is
// cut again where that passes the limit (a long "CON.txt...").
void MarkDeviceName(std::vector<Text>& characters) {
  const auto dot = std::find(characters.begin(), characters.end(), Text("."));
  Text base;
  for (auto it = characters.begin(); it != dot; ++it) base += *it;
  if (!IsDeviceName(base)) return;
  characters.insert(dot, Text(1, kReplacement));
  if (NativeSize(characters) <= kMaxComponentBytes) return;
  while (NativeSize(characters) > kMaxComponentBytes) characters.pop_back();
  ReplaceTrailingDotsAndSpaces(characters);
}

}  // namespace

Text SafePathComponent(std::string_view name) {
  std::vector<Text> characters = CleanCharacters(name);
  ReplaceTrailingDotsAndSpaces(characters);
  if (characters.empty()) return Text(1, kReplacement);
  MarkDeviceName(characters);
  Text safe;
  for (const Text& character : characters) safe += character;
  return safe;
}

Text ReplacePathSeparators(std::string_view path, std::string_view separator) {
  Text native;
  native.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t length = CharLength(path, i);
    if (length == 1 && path[i] == '\\') {
      native += separator;
    } else {
      native += path.substr(i, length);
    }
    i += length;
  }
  return native;
}

Text JoinPath(std::string_view folder, std::string_view name) {
  std::size_t last = 0;  // start of the folder's last character
  for (std::size_t i = 0; i < folder.size(); i += CharLength(folder, i)) last = i;
  Text path(folder);
  if (!path.empty() && IsLeadByte(static_cast<unsigned char>(path[last])) &&
      CharLength(folder, last) == 1) {
    path.pop_back();
  }
  path += kPathSeparator;
  path += name;
  return path;
}

}  // namespace weibo
