// QR module matrices, through libqrencode.
#include <qrencode.h>

#include <memory>

#include "tools/weibo-sim/image_encoding.h"

namespace weibo::sim {
namespace {

struct QrCodeFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

bool EncodeQr(std::string_view text, std::vector<bool>* dark, int* modules) {
  Text copy(text);
  std::unique_ptr<QRcode, QrCodeFree> code(
      QRcode_encodeString(copy.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
  if (!code) return false;
  *modules = code->width;
  dark->assign(static_cast<std::size_t>(code->width) * code->width, false);
  for (std::size_t i = 0; i < dark->size(); ++i) (*dark)[i] = (code->data[i] & 1) != 0;
  return true;
}

}  // namespace weibo::sim
