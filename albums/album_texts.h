// The texts the album and download flows show or send, as code page 936
// bytes. The trailing comments show the characters.
#pragma once

namespace weibo {

// Appended to the nickname for the main window's title and the user's
// download folder.
inline constexpr char kAlbumTitleSuffix[] = " - \xCE\xA2\xCF\xE0\xB2\xE1";  // " - 微相册"

// The message box shown when a profile page lacks the user's id or nickname.
inline constexpr char kProfileMissingText[] = "onick or oid";
inline constexpr char kProfileMissingTitle[] = "erro";

// The message box shown when no folder can take the downloads: prefix, one
// line per folder tried, suffix.
inline constexpr char kNoRunFolderPrefix[] =
    "\xD5\xD2\xB2\xBB\xB5\xBD\xC4\xDC\xB1\xA3\xB4\xE6\xCD\xBC\xC6\xAC\xB5\xC4\xCE\xC4\xBC"
    "\xFE\xBC\xD0\xA1\xA3\xCF\xC2\xC1\xD0\xCE\xC4\xBC\xFE\xBC\xD0\xB6\xBC\xB2\xBB\xC4\xDC"
    "\xD0\xB4\xC8\xEB,\xBB\xF2\xC6\xE4\xC2\xB7\xBE\xB6\xCE\xDE\xB7\xA8\xD3\xC3\xBC\xF2"
    "\xCC\xE5\xD6\xD0\xCE\xC4\xB4\xFA\xC2\xEB\xD2\xB3\xB1\xED\xCA\xBE:";
// 找不到能保存图片的文件夹。下列文件夹都不能写入,或其路径无法用简体中文代码页表示:
inline constexpr char kNoRunFolderSuffix[] =
    "\xCD\xBC\xC6\xAC\xB2\xBB\xBB\xE1\xB1\xBB\xCF\xC2\xD4\xD8\xA1\xA3";  // 图片不会被下载。
inline constexpr char kNoRunFolderTitle[] =
    "\xCE\xDE\xB7\xA8\xB1\xA3\xB4\xE6\xCD\xBC\xC6\xAC";  // 无法保存图片

// The input box of the command that names a user; an example address
// follows the prompt.
inline constexpr char kProfilePrompt[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xD3\xC3\xBB\xA7\xD6\xF7\xD2\xB3\xB5\xD8\xD6\xB7,"
    "\xC8\xE7:";  // 请输入用户主页地址,如:
// The example profile: main host + kExampleProfilePath.
inline constexpr char kExampleProfilePath[] = "/u/1234567890?from=myfollow_all";

// Album labels: caption + "_" + photo count + "张".
inline constexpr char kPhotoUnit[] = "\xD5\xC5";  // 张

// Status bar texts of the downloads.
inline constexpr char kSavedCountPrefix[] =
    "\xD7\xB4\xCC\xAC:\xB5\xB1\xC7\xB0\xD2\xD1\xCF\xC2\xD4\xD8 ";  // "状态:当前已下载 "
inline constexpr char kSavedCountSuffix[] = "\xD5\xC5!";          // 张!
inline constexpr char kAllPagesDoneText[] =
    "\xD7\xB4\xCC\xAC:\xC3\xB2\xCB\xC6\xB6\xBC\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xCD\xEA\xC1\xCB,"
    "\xC7\xEB\xB5\xE3\xBB\xF7\xC9\xCF\xB7\xBD\xB5\xC4'\xB2\xE9\xBF\xB4\xCF\xC2\xD4\xD8',"
    "\xC8\xE7\xCA\xFD\xC1\xBF\xB2\xBB\xD2\xBB\xD6\xC2\xCE\xAA\xC4\xB3\xD0\xA9\xCD\xBC\xC6\xAC"
    "\xD6\xD8\xB8\xB4\xBB\xF2\xB1\xBB\xC8\xA8\xCF\xDE;";
// 状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;

// The finishing text when some pictures could not be saved:
// prefix + their number + kFailedCountWords + kFailedListNamed + ";".
inline constexpr char kFailedCountPrefix[] =
    "\xD7\xB4\xCC\xAC:\xCF\xC2\xD4\xD8\xBD\xE1\xCA\xF8,\xD3\xD0 ";  // "状态:下载结束,有 "
inline constexpr char kFailedCountWords[] =
    " \xD5\xC5\xCD\xBC\xC6\xAC\xC3\xBB\xC4\xDC\xCF\xC2\xD4\xD8";  // " 张图片没能下载"
inline constexpr char kFailedListNamed[] =
    ",\xCB\xFC\xC3\xC7\xB5\xC4\xB5\xD8\xD6\xB7\xBC\xC7\xD4\xDA"
    "\xCF\xE0\xB2\xE1\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4 failed-downloads.txt \xC0\xEF";
// ",它们的地址记在相册文件夹的 failed-downloads.txt 里"
inline constexpr char kFinishingEnd[] = ";";

// Shown once a photo-list reply says the service no longer accepts the
// sign-in, and, with the failed count, as the finishing text of that round:
// kSignInEndedText + "有 " + number + kFailedCountWords + ... + ";".
inline constexpr char kSignInEndedText[] =
    "\xD7\xB4\xCC\xAC:\xB5\xC7\xC2\xBC\xD2\xD1\xCA\xA7\xD0\xA7,"
    "\xC7\xEB\xD6\xD8\xD0\xC2\xB5\xC7\xC2\xBC\xBA\xF3\xD4\xD9\xCF\xC2\xD4\xD8!";
// "状态:登录已失效,请重新登录后再下载!"
inline constexpr char kSignInEndedCountPrefix[] = "\xD3\xD0 ";  // "有 "

// When an album folder takes no more files: kFolderUnwritable + the reason.
inline constexpr char kFolderUnwritable[] =
    ",\xCF\xE0\xB2\xE1\xCE\xC4\xBC\xFE\xBC\xD0\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB:";
// ",相册文件夹无法写入:"
inline constexpr char kDiskFullReason[] = "\xB4\xC5\xC5\xCC\xD2\xD1\xC2\xFA";  // 磁盘已满
inline constexpr char kNoPermissionReason[] =
    "\xC3\xBB\xD3\xD0\xD0\xB4\xC8\xEB\xC8\xA8\xCF\xDE";  // 没有写入权限
inline constexpr char kFolderGoneReason[] =
    "\xCE\xC4\xBC\xFE\xBC\xD0\xD2\xD1\xB2\xBB\xB4\xE6\xD4\xDA";  // 文件夹已不存在
inline constexpr char kUnknownReason[] = "\xD4\xAD\xD2\xF2\xB2\xBB\xC3\xF7";  // 原因不明
// When the list of failed downloads could not be written.
inline constexpr char kFailedListUnwritten[] =
    ",\xC3\xBB\xC4\xDC\xBC\xC7\xCF\xC2\xCB\xFC\xC3\xC7\xB5\xC4\xB5\xD8\xD6\xB7";
// ",没能记下它们的地址"

// Markers around the profile values in a profile page.
inline constexpr char kUserIdMarker[] = "$CONFIG['oid']='";
inline constexpr char kNicknameMarker[] = "$CONFIG['onick']='";
inline constexpr char kProfileValueEnd[] = "'; ";

// Request paths.
inline constexpr char kAlbumListPath[] = "/albums/get_all?uid=";
inline constexpr char kPhotoListPath[] = "/photos/get_all?uid=";
inline constexpr char kCoverPlaceholderPath[] = "/t4/appstyle/photo/images/common/status_0.png";

}  // namespace weibo
