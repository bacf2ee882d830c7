// Reading the message-box flags of window_ops.h: which buttons, icon and
// default button a box shows. Pure functions.
#pragma once

#include <vector>

namespace weibo {

enum class MessageBoxIcon { kNone, kError, kQuestion, kWarning, kInformation };

// The results of the box's buttons, left to right. An unknown button set
// stands for OK alone.
std::vector<int> MessageBoxButtons(int flags);
// The result of the button Enter presses: the first, second or third button
// as the flags ask, the first when there is no such button.
int MessageBoxDefaultButton(int flags);
MessageBoxIcon MessageBoxIconOf(int flags);

}  // namespace weibo
