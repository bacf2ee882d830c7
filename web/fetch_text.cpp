#include "web/fetch_text.h"

#include "web/encoding.h"
#include "web/http_request.h"

namespace weibo {
namespace {

// `given` when the caller passed a variable, else `own`.
template <typename T>
T* Present(T* given, T* own) {
  return given != nullptr ? given : own;
}

}  // namespace

Text FetchText(const Text& url, int method, const Text& post_text, Text* cookie_jar,
               Text* new_cookies, Text* extra_headers, Text* location, bool no_redirect,
               ByteArray* post_bytes, const std::optional<Text>& proxy, Text* raw_headers) {
  Text own_cookie_jar;
  Text own_new_cookies;
  Text own_extra_headers;
  Text own_location;
  ByteArray own_post_bytes;
  Text own_raw_headers;
  ByteArray body = HttpRequest(url, method, post_text, Present(cookie_jar, &own_cookie_jar),
                               Present(new_cookies, &own_new_cookies),
                               Present(extra_headers, &own_extra_headers),
                               Present(location, &own_location), no_redirect,
                               Present(post_bytes, &own_post_bytes), proxy.value_or(Text()),
                               Present(raw_headers, &own_raw_headers));
  return Utf8ToGbk(body);
}

}  // namespace weibo
