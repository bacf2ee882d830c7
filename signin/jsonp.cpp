#include "signin/jsonp.h"

namespace weibo {

Text JsonpBody(const Text& reply) {
  int open = TextFind(reply, "(");
  if (open == -1) return Text();
  const int close = TextFind(reply, ")", open + 1);
  if (close == -1) return Text();
  const int inner_open = TextFind(reply, "(", open + 1);
  if (inner_open != -1 && inner_open < close) open = inner_open;
  return TextMid(reply, open + 1, close - open - 1);
}

}  // namespace weibo
