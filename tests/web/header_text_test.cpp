#include "web/header_text.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

TEST(HeaderTextTest, Placeholder) { EXPECT_EQ(HeaderValue("Location: x"), "x"); }

}  // namespace
}  // namespace weibo
