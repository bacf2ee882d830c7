// The texts of the QR-code sign-in, as code page 936 bytes, and the status
// codes the sign-on host answers a poll with. The trailing comments show the
// characters.
#pragma once

namespace weibo {

// The "msg" of a code that waits to be scanned and is still valid.
inline constexpr char kQrUnused[] = "\xCE\xB4\xCA\xB9\xD3\xC3";  // 未使用

// Shown in the label once the sign-on has been confirmed.
inline constexpr char kSignInSucceeded[] =
    "\xB5\xC7\xC2\xBC\xB3\xC9\xB9\xA6,\xD5\xFD\xD4\xDA\xD4\xD8\xC8\xEB\xCA\xFD\xBE\xDD";
    // 登录成功,正在载入数据

// The message box shown when the QR picture cannot be shown.
inline constexpr char kImageConversionFailed[] =
    "\xD7\xAA\xBB\xBB\xCD\xBC\xCF\xF1\xB8\xF1\xCA\xBD\xCA\xA7\xB0\xDC!";  // 转换图像格式失败!

// Poll status codes ("retcode").
inline constexpr char kStatusNotScanned[] = "50114001";  // waiting, or expired when "msg" differs
inline constexpr char kStatusScanned[] = "50114002";     // waiting for the phone's confirmation
inline constexpr char kStatusConfirmed[] = "20000000";

}  // namespace weibo
