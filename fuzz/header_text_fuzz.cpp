// Header routines: TextBetween gives what stands between its markers,
// HeaderValue what follows the first colon, trimmed; the split of a header
// block cuts at every CR LF and at nothing else; and a URL's host never
// holds a "/", its path always starts with one.
#include "fuzz/fuzz_check.h"
#include "web/header_text.h"
#include "web/http_request.h"

namespace {

using weibo::Text;

void CheckTextBetween(const Text& text, const Text& left, const Text& right) {
  const Text between = weibo::TextBetween(text, left, right);
  // A left marker ending in a lead byte ends inside a character of the text.
  if (between.empty() || weibo::fuzz::EndsInLeadByte(left)) return;
  const Text folded = weibo::fuzz::AsciiFold(text);
  FUZZ_CHECK(folded.find(weibo::fuzz::AsciiFold(left + between + right)) != Text::npos);
  FUZZ_CHECK(!weibo::fuzz::ContainsCharacters(weibo::fuzz::AsciiFold(between),
                                              weibo::fuzz::AsciiFold(right)));
}

void CheckHeaderValue(const Text& name, const Text& value) {
  const Text line = name + ":" + value;
  const Text got = weibo::HeaderValue(line);
  // Trimmed: neither end is a space character (a space may still be the
  // second byte of a two-byte character).
  const auto characters = weibo::fuzz::Characters(got);
  FUZZ_CHECK(got.empty() || (characters.front() != " " && characters.back() != " "));
  // With a name of plain ASCII letters the value is everything after its colon.
  if (name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
          Text::npos &&
      value.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789/:.") == Text::npos) {
    FUZZ_CHECK(got == value);
  }
}

void CheckHeaderSplit(const Text& block) {
  const std::vector<Text> lines = weibo::SplitBytes(block, "\r\n");
  Text joined;
  for (const Text& line : lines) {
    FUZZ_CHECK(line.find("\r\n") == Text::npos);
    joined += line;
    joined += "\r\n";
  }
  if (block.size() < 2 || block.compare(block.size() - 2, 2, "\r\n") != 0) {
    if (!joined.empty()) joined.resize(joined.size() - 2);
  }
  FUZZ_CHECK(joined == block);
}

void CheckUrl(const Text& url) {
  const Text host = weibo::UrlHost(url);
  const Text host_and_port = weibo::UrlHost(url, /*keep_port=*/true);
  FUZZ_CHECK(host.find('/') == Text::npos);
  FUZZ_CHECK(host_and_port.find('/') == Text::npos);
  FUZZ_CHECK(host_and_port.compare(0, host.size(), host) == 0);
  FUZZ_CHECK(weibo::fuzz::AsciiFold(host) == host);
  const Text path = weibo::UrlPath(url);
  FUZZ_CHECK(!path.empty() && path.front() == '/');
  const int port = weibo::UrlPort(url);
  if (host_and_port.find(':') == Text::npos) FUZZ_CHECK(port == 80 || port == 443);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  weibo::fuzz::Pieces pieces(data, size);
  const Text left = pieces.Next();
  const Text right = pieces.Next();
  const Text text = pieces.Rest();
  CheckTextBetween(text, left, right);
  CheckHeaderValue(left, right);
  CheckHeaderSplit(text);
  CheckUrl(text);
  CheckUrl("http://" + text);
  return 0;
}
