#include "signin/jsonp.h"

#include <string>

namespace weibo {
namespace {

constexpr std::size_t kNone = std::string::npos;

// The 0-based index of the first ")" at or after `from` that stands outside a
// JSON string, or of the first "(" when `open_too` and it comes first; kNone
// when there is none. A string starts and ends with a '"'; inside it a
// backslash escapes the next character. The scan steps whole characters.
std::size_t NextParenthesis(const Text& reply, std::size_t from, bool open_too) {
  bool in_string = false;
  for (std::size_t index = from; index < reply.size(); index += CharLength(reply, index)) {
    const char byte = reply[index];
    if (in_string) {
      if (byte == '\\') {
        index += CharLength(reply, index);  // the escaped character
        if (index >= reply.size()) break;
      } else if (byte == '"') {
        in_string = false;
      }
    } else if (byte == '"') {
      in_string = true;
    } else if (byte == ')' || (open_too && byte == '(')) {
      return index;
    }
  }
  return kNone;
}

}  // namespace

Text JsonpBody(const Text& reply) {
  const int first_open = TextFind(reply, "(");
  if (first_open == -1) return Text();
  std::size_t open = static_cast<std::size_t>(first_open - 1);
  std::size_t close = NextParenthesis(reply, open + 1, true);
  if (close != kNone && reply[close] == '(') {
    open = close;
    close = NextParenthesis(reply, open + 1, false);
  }
  if (close == kNone) return Text();
  return reply.substr(open + 1, close - open - 1);
}

}  // namespace weibo
