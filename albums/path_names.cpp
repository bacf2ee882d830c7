#include "albums/path_names.h"

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

// The characters of `name`, each one or two bytes, with the forbidden
// one-byte characters replaced, cut to kMaxComponentBytes. A lead byte that
// ends the text without its second byte is dropped.
std::vector<Text> CleanCharacters(std::string_view name) {
  std::vector<Text> characters;
  std::size_t total = 0;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = CharLength(name, i);
    const auto byte = static_cast<unsigned char>(name[i]);
    Text character(name.substr(i, length));
    i += length;
    if (length == 1 && byte >= 0x80) continue;  // half a character
    if (length == 1 && IsForbiddenByte(byte)) character = Text(1, kReplacement);
    if (total + character.size() > kMaxComponentBytes) break;
    total += character.size();
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

}  // namespace

Text SafePathComponent(std::string_view name) {
  std::vector<Text> characters = CleanCharacters(name);
  ReplaceTrailingDotsAndSpaces(characters);
  Text safe;
  for (const Text& character : characters) safe += character;
  if (safe.empty()) return Text(1, kReplacement);
  const std::size_t dot = safe.find('.');  // dots are one-byte characters only
  const std::size_t base_length = dot == Text::npos ? safe.size() : dot;
  if (IsDeviceName(std::string_view(safe).substr(0, base_length))) {
    safe.insert(base_length, 1, kReplacement);
  }
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
  Text path(folder);
  path += kPathSeparator;
  path += name;
  return path;
}

}  // namespace weibo
