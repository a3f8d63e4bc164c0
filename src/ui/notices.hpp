#pragma once
// Texts of the message boxes more than one window shows.

namespace setup::ui {

inline constexpr wchar_t kNoticeTitle[] = L"温馨提示";
inline constexpr wchar_t kBrokenMedium[] = L"运行出错，请重新安装程序！";

}  // namespace setup::ui
