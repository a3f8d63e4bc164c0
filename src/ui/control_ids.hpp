#pragma once
// Control identifiers and window class names of the three windows. The end-to-end tests
// find controls by these, so they are part of the program's outward face.

namespace setup::ids {

// Launcher window (`Default`).
inline constexpr wchar_t kDefaultClass[] = L"setup.Default";
inline constexpr int kDefaultLbTitle = 101;
inline constexpr int kDefaultBtnNext = 102;
inline constexpr int kDefaultBtnExit = 103;

// Wizard window (`Setup`). lbSetup and lbInit are children of fraInit.
inline constexpr wchar_t kSetupClass[] = L"setup.Setup";
inline constexpr int kSetupFraInit = 201;
inline constexpr int kSetupLbSetup = 202;
inline constexpr int kSetupLbInit = 203;
inline constexpr int kSetupLabel2 = 204;
inline constexpr int kSetupLbMsg = 205;
inline constexpr int kSetupBtnNext = 206;
inline constexpr int kSetupBtnPre = 207;
inline constexpr int kSetupBtnExit = 208;
inline constexpr int kSetupLbPb = 209;
inline constexpr int kSetupPbSetup = 210;

// Completion window (`SetupEnd`).
inline constexpr wchar_t kSetupEndClass[] = L"setup.SetupEnd";
inline constexpr int kSetupEndBtnEnd = 301;
inline constexpr int kSetupEndLbMsg = 302;
inline constexpr int kSetupEndLabel1 = 303;

}  // namespace setup::ids
