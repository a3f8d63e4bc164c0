#pragma once
// The dummy program's outward face, which the driver's self-test drives.

namespace e2e::dummy {

inline constexpr wchar_t kClass[] = L"e2e.Dummy";
inline constexpr wchar_t kCaption[] = L"驱动自测 Dummy";
inline constexpr int kClientWidth = 400;
inline constexpr int kClientHeight = 220;
inline constexpr int kClientLeft = 100;
inline constexpr int kClientTop = 120;

inline constexpr int kFrame = 10;
inline constexpr int kFramedLabel = 11;  // a child of the frame, not of the window
inline constexpr int kLabel = 12;
inline constexpr int kHiddenLabel = 13;
inline constexpr int kGo = 21;       // "&Go": message box, then exit with kExitAfterGo
inline constexpr int kOff = 22;      // disabled, so Tab passes over it
inline constexpr int kExit = 23;     // "E&xit"
inline constexpr int kProgress = 30;
// No control: posted as a command, it shows a box with an icon and two buttons.
inline constexpr int kWarn = 40;

inline constexpr wchar_t kFramedLabelText[] = L"框内标签";
inline constexpr wchar_t kLabelText[] = L"第一行 label";
inline constexpr wchar_t kMessageTitle[] = L"提示 title";
inline constexpr wchar_t kMessageText[] = L"你好，驱动 text";
inline constexpr int kProgressLow = 0;
inline constexpr int kProgressHigh = 250;
inline constexpr int kProgressPos = 40;

// Exit codes tell the test which way the program ended.
inline constexpr int kExitAfterGo = 7;
inline constexpr int kExitByExit = 3;
inline constexpr int kExitByCancel = 9;  // Escape
inline constexpr int kExitByClose = 5;

}  // namespace e2e::dummy
