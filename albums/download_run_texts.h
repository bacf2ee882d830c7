// The status bar texts of stopping, pacing and whole-account downloads, as
// code page 936 bytes. The trailing comments show the characters.
#pragma once

namespace weibo {

// After a stop: prefix + pictures saved in this round + suffix.
inline constexpr char kStoppedPrefix[] =
    "\xD7\xB4\xCC\xAC:\xCF\xC2\xD4\xD8\xD2\xD1\xCD\xA3\xD6\xB9,\xD2\xD1\xB1\xA3\xB4\xE6 ";
// "状态:下载已停止,已保存 "
inline constexpr char kStoppedSuffix[] = " \xD5\xC5";  // " 张"

// While the service asked us to wait: prefix + seconds + suffix.
inline constexpr char kSlowDownPrefix[] =
    "\xD7\xB4\xCC\xAC:\xB7\xFE\xCE\xF1\xC6\xF7\xD2\xAA\xC7\xF3\xB7\xC5\xC2\xFD,";
// "状态:服务器要求放慢,"
inline constexpr char kSlowDownSuffix[] = " \xC3\xEB\xBA\xF3\xBC\xCC\xD0\xF8";  // " 秒后继续"

// The count of a whole-account download: prefix + albums + middle + pictures
// + the single-album count's suffix (张!).
inline constexpr char kAlbumsCountPrefix[] = "\xD7\xB4\xCC\xAC:\xB9\xB2 ";  // "状态:共 "
inline constexpr char kAlbumsCountMiddle[] =
    " \xB8\xF6\xCF\xE0\xB2\xE1,\xB5\xB1\xC7\xB0\xD2\xD1\xCF\xC2\xD4\xD8 ";
// " 个相册,当前已下载 "

// While a whole-account download reads the album list.
inline constexpr char kReadingAlbumsText[] =
    "\xD7\xB4\xCC\xAC:\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xC8\xAB\xB2\xBF\xCF\xE0\xB2\xE1...";
// "状态:正在读取全部相册..."

}  // namespace weibo
