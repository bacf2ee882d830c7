// Every text the windows and dialogs show at start, as code page 936 bytes.
// The trailing comments show the characters.
#pragma once

#include <string>

namespace weibo {

// Sign-in window.
inline constexpr char kSignInTitle[] =
    "\xCE\xA2\xB2\xA9\xC9\xA8\xD2\xBB\xC9\xA8\xB5\xC7\xC2\xBC";  // 微博扫一扫登录
inline constexpr char kSignInPrompt[] =
    "\xC7\xEB\xB4\xF2\xBF\xAA\xCE\xA2\xB2\xA9\xBF\xCD\xBB\xA7\xB6\xCB\xA1\xB0\xC9\xA8\xD2\xBB\xC9"
    "\xA8"
    "\xA1\xB1";  // 请打开微博客户端“扫一扫”

// Main window menus.
inline constexpr char kMenuOperations[] = "\xB2\xD9\xD7\xF7";                     // 操作
inline constexpr char kMenuStartAnalysis[] = "\xBF\xAA\xCA\xBC\xB7\xD6\xCE\xF6";  // 开始分析
inline constexpr char kMenuViewDownloads[] = "\xB2\xE9\xBF\xB4\xCF\xC2\xD4\xD8";  // 查看下载
inline constexpr char kMenuAboutAuthor[] = "\xB9\xD8\xD3\xDA\xD7\xF7\xD5\xDF";    // 关于作者
inline constexpr char kMenuSignOut[] = "\xCD\xCB\xB3\xF6\xB5\xC7\xC2\xBC";          // 退出登录
inline constexpr char kMenuHelp[] = "\xB0\xEF\xD6\xFA";                           // 帮助
inline constexpr char kMenuUsageHelp[] = "\xCA\xB9\xD3\xC3\xB0\xEF\xD6\xFA";      // 使用帮助
inline constexpr char kMenuFeedback[] = "\xCE\xCA\xCC\xE2\xB7\xB4\xC0\xA1";       // 问题反馈
inline constexpr char kMenuPopup[] = "\xD3\xD2\xBC\xFC";                          // 右键
inline constexpr char kMenuDownloadUltra[] =
    "\xCF\xC2\xD4\xD8\xD1\xA1\xD6\xD0_\xB3\xAC\xC7\xE5";  // 下载选中_超清
inline constexpr char kMenuDownloadHigh[] =
    "\xCF\xC2\xD4\xD8\xD1\xA1\xD6\xD0_\xB8\xDF\xC7\xE5";  // 下载选中_高清
inline constexpr char kMenuDownloadStandard[] =
    "\xCF\xC2\xD4\xD8\xD1\xA1\xD6\xD0_\xB1\xEA\xC7\xE5";  // 下载选中_标清
inline constexpr char kMenuDownloadOriginal[] =
    "\xCF\xC2\xD4\xD8\xD1\xA1\xD6\xD0_\xD4\xAD\xBB\xAD";  // 下载选中_原画
// The whole-account submenu of 操作 and 右键, its four sizes, and the stop.
inline constexpr char kMenuAllAlbums[] =
    "\xCF\xC2\xD4\xD8\xC8\xAB\xB2\xBF\xCF\xE0\xB2\xE1";       // 下载全部相册
inline constexpr char kMenuSizeUltra[] = "\xB3\xAC\xC7\xE5";         // 超清
inline constexpr char kMenuSizeHigh[] = "\xB8\xDF\xC7\xE5";          // 高清
inline constexpr char kMenuSizeStandard[] = "\xB1\xEA\xC7\xE5";      // 标清
inline constexpr char kMenuSizeOriginal[] = "\xD4\xAD\xBB\xAD";      // 原画
inline constexpr char kMenuStopDownloads[] = "\xCD\xA3\xD6\xB9\xCF\xC2\xD4\xD8";  // 停止下载

// Tool bar captions, one space before and after each.
inline constexpr char kToolStartAnalysis[] = " \xBF\xAA\xCA\xBC\xB7\xD6\xCE\xF6 ";  // " 开始分析 "
inline constexpr char kToolViewDownloads[] = " \xB2\xE9\xBF\xB4\xCF\xC2\xD4\xD8 ";  // " 查看下载 "
inline constexpr char kToolAboutAuthor[] = " \xB9\xD8\xD3\xDA\xD7\xF7\xD5\xDF ";  // " 关于作者 "

// Status bar.
inline constexpr char kStatusInitial[] =
    "\xD7\xB4\xCC\xAC:"
    "\xC7\xEB\xD1\xA1\xD6\xD0\xCF\xE0\xB2\xE1\xB5\xE3\xBB\xF7\xCA\xF3\xB1\xEA\xD3\xD2"
    "\xBC\xFC\xCF\xC2\xD4\xD8";  // 状态:请选中相册点击鼠标右键下载

// Input box.
inline constexpr char kInputBoxTitle[] = "\xC7\xEB\xCA\xE4\xC8\xEB\xA3\xBA";   // 请输入：
inline constexpr char kInputBoxOk[] = "\xC8\xB7\xC8\xCF\xCA\xE4\xC8\xEB(&O)";  // 确认输入(&O)
inline constexpr char kInputBoxCancel[] = "\xC8\xA1\xCF\xFB(&C)";              // 取消(&C)

// The title a box shows: the caller's, or the box's default when the caller
// gives none.
inline std::string InputBoxTitleOr(const std::string& title) {
  return title.empty() ? std::string(kInputBoxTitle) : title;
}

// The question 退出登录 asks first.
inline constexpr char kSignOutQuestion[] =
    "\xC8\xB7\xB6\xA8\xD2\xAA\xCD\xCB\xB3\xF6\xB5\xC7\xC2\xBC\xC2\xF0\xA3\xBF\xCD\xCB\xB3\xF6\xBA\xF3"
    "\xD0\xE8\xD2\xAA\xD6\xD8\xD0\xC2\xC9\xA8\xC2\xEB\xB5\xC7\xC2\xBC\xA1\xA3";  // 确定要退出登录吗？退出后需要重新扫码登录。

// Message box title and button captions.
inline constexpr char kMessageBoxTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
inline constexpr char kButtonOk[] = "\xC8\xB7\xB6\xA8";                 // 确定
inline constexpr char kButtonCancel[] = "\xC8\xA1\xCF\xFB";             // 取消
inline std::string MessageBoxTitleOr(const std::string& title) {
  return title.empty() ? std::string(kMessageBoxTitle) : title;
}
inline constexpr char kButtonYes[] = "\xCA\xC7(&Y)";                    // 是(&Y)
inline constexpr char kButtonNo[] = "\xB7\xF1(&N)";                     // 否(&N)
inline constexpr char kButtonAbort[] = "\xD6\xD0\xD6\xB9(&A)";          // 中止(&A)
inline constexpr char kButtonRetry[] = "\xD6\xD8\xCA\xD4(&R)";          // 重试(&R)
inline constexpr char kButtonIgnore[] = "\xBA\xF6\xC2\xD4(&I)";         // 忽略(&I)
inline constexpr char kButtonTryAgain[] = "\xD6\xD8\xCA\xD4(&T)";       // 重试(&T)
inline constexpr char kButtonContinue[] = "\xBC\xCC\xD0\xF8(&C)";       // 继续(&C)

// The feedback command's question.
inline constexpr char kContactAuthorQuestion[] =
    "\xB5\xE3\xBB\xF7\xCA\xC7,\xB4\xF2\xBF\xAAQuorvel \xC2\xDB\xCC\xB3\xCB\xBD\xD0\xC5\xCE\xD2,"
    "\xB5\xE3\xBB\xF7\xB7\xF1\xC8\xA1\xCF\xFB;";  // 点击是,打开Quorvel 论坛私信我,点击否取消;

// The usage help shown by 使用帮助.
inline constexpr char kUsageHelpText[] =
    "1. "
    "\xD3\xC3\xCE\xA2\xB2\xA9\xBF\xCD\xBB\xA7\xB6\xCB\xC9\xA8\xD2\xBB\xC9\xA8\xB5\xC7\xC2\xBC\xBA"
    "\xF3,"
    "\xB4\xB0\xBF\xDA\xC1\xD0\xB3\xF6\xC4\xFA\xD7\xD4\xBC\xBA\xB5\xC4\xCF\xE0\xB2\xE1\xA1\xA3\n"
    // 1. 用微博客户端扫一扫登录后,窗口列出您自己的相册。
    "2. \xB5\xE3\xBB\xF7'\xBF\xAA\xCA\xBC\xB7\xD6\xCE\xF6'(Ctrl+F),\xCA\xE4\xC8\xEB\xC6\xE4\xCB\xFB"
    "\xD3\xC3\xBB\xA7\xB5\xC4\xD6\xF7\xD2\xB3\xB5\xD8\xD6\xB7,\xBC\xB4\xBF\xC9\xC1\xD0\xB3\xF6\xC6"
    "\xE4\xCF\xE0\xB2\xE1\xA1\xA3\n"
    // 2. 点击'开始分析'(Ctrl+F),输入其他用户的主页地址,即可列出其相册。
    "3. "
    "\xD1\xA1\xD6\xD0\xD2\xBB\xB8\xF6\xCF\xE0\xB2\xE1,\xB5\xE3\xBB\xF7\xCA\xF3\xB1\xEA\xD3\xD2\xBC"
    "\xFC,\xD1\xA1\xD4\xF1\xCD\xBC\xC6\xAC\xB4\xF3\xD0\xA1,\xBC\xB4\xBF\xC9\xCF\xC2\xD4\xD8\xD5\xFB"
    "\xB8\xF6\xCF\xE0\xB2\xE1\xA1\xA3\n"
    // 3. 选中一个相册,点击鼠标右键,选择图片大小,即可下载整个相册。
    "4. \xB5\xE3\xBB\xF7'\xB2\xE9\xBF\xB4\xCF\xC2\xD4\xD8'(Ctrl+E)\xB4\xF2\xBF\xAA\xCF\xC2\xD4\xD8"
    "\xCE\xC4\xBC\xFE\xBC\xD0\xA1\xA3";
// 4. 点击'查看下载'(Ctrl+E)打开下载文件夹。

}  // namespace weibo
