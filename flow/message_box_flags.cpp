#include "flow/message_box_flags.h"

#include "flow/window_ops.h"

namespace weibo {

std::vector<int> MessageBoxButtons(int flags) {
  switch (flags & 0xF) {
    case kMbOkCancel:
      return {kIdOk, kIdCancel};
    case kMbAbortRetryIgnore:
      return {kIdAbort, kIdRetry, kIdIgnore};
    case kMbYesNoCancel:
      return {kIdYes, kIdNo, kIdCancel};
    case kMbYesNo:
      return {kIdYes, kIdNo};
    case kMbRetryCancel:
      return {kIdRetry, kIdCancel};
    case kMbCancelTryContinue:
      return {kIdCancel, kIdTryAgain, kIdContinue};
    default:
      return {kIdOk};
  }
}

int MessageBoxDefaultButton(int flags) {
  const std::vector<int> buttons = MessageBoxButtons(flags);
  const unsigned which = static_cast<unsigned>(flags >> 8) & 0xF;
  return which < buttons.size() ? buttons[which] : buttons.front();
}

MessageBoxIcon MessageBoxIconOf(int flags) {
  switch (flags & 0xF0) {
    case kMbIconError:
      return MessageBoxIcon::kError;
    case kMbIconQuestion:
      return MessageBoxIcon::kQuestion;
    case kMbIconWarning:
      return MessageBoxIcon::kWarning;
    case kMbIconInformation:
      return MessageBoxIcon::kInformation;
    default:
      return MessageBoxIcon::kNone;
  }
}

}  // namespace weibo
