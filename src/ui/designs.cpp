#include "ui/designs.hpp"

#include "platform/identity.h"
#include "ui/control_ids.hpp"

namespace setup::ui {
namespace {

using K = ControlKind;
constexpr Colour kFace = Colour::SystemFace;
constexpr Colour kWhite = Colour::White;
constexpr Font kSong12{12, false};
constexpr Font kSong9Bold{9, true};
constexpr Font kSong12Bold{12, true};

// clang-format off
constexpr ControlDesign kDefaultControls[] = {
    // name       kind         id                      in  caption          left  top   width height tab vis   font          back
    {L"lbTitle",  K::Label,    ids::kDefaultLbTitle,   0,  L"欢迎使用",      120,  240,  4695, 375,   0,  true, kSong12,      kWhite, 0, 0},
    {L"btnNext",  K::Button,   ids::kDefaultBtnNext,   0,  L"下一步(&N)",    3960, 3360, 1455, 375,   1,  true, kDefaultFont, kFace,  0, 0},
    {L"btnExit",  K::Button,   ids::kDefaultBtnExit,   0,  L"取 消(&E)",     5760, 3360, 1335, 375,   2,  true, kDefaultFont, kFace,  0, 0},
    {L"Line1",    K::Line,     0,                      0,  nullptr,         0,    3240, 7560, 3240, -1,  true, kDefaultFont, kWhite, 0, 0},
};

constexpr ControlDesign kSetupControls[] = {
    {L"fraInit",  K::Frame,    ids::kSetupFraInit,  0,                   nullptr,            0,    0,    4695, 855,  0, true,  kDefaultFont, kWhite, 0, 0},
    {L"lbSetup",  K::Label,    ids::kSetupLbSetup,  ids::kSetupFraInit,  L"准备安装",         120,  240,  4695, 255,  1, true,  kSong9Bold,   kWhite, 0, 0},
    {L"lbInit",   K::Label,    ids::kSetupLbInit,   ids::kSetupFraInit,  L"",                 120,  480,  4695, 255,  2, true,  kDefaultFont, kWhite, 0, 0},
    {L"Label2",   K::Label,    ids::kSetupLabel2,   0,  L"Advanced Installer",               0,    4560, 1695, 255,  3, true,  kDefaultFont, kFace,  0, 0},
    {L"lbMsg",    K::Label,    ids::kSetupLbMsg,    0,
     L"单击\"安装\"按钮开始安装，单击\"上一步\"返回，单击\"取消\"退出安装向导。",                  600,  1440, 6135, 615,  4, true,  kDefaultFont, kFace,  0, 0},
    {L"btnNext",  K::Button,   ids::kSetupBtnNext,  0,  L"安 装(&I)",                         4320, 4920, 1335, 375,  5, true,  kDefaultFont, kFace,  0, 0},
    {L"btnPre",   K::Button,   ids::kSetupBtnPre,   0,  L"上一步(&B)",                        3000, 4920, 1335, 375,  6, true,  kDefaultFont, kFace,  0, 0},
    {L"btnExit",  K::Button,   ids::kSetupBtnExit,  0,  L"取 消(&E)",                         5880, 4920, 1335, 375,  7, true,  kDefaultFont, kFace,  0, 0},
    {L"lbPb",     K::Label,    ids::kSetupLbPb,     0,  L"状态:  正在安装",                    600,  2280, 1575, 255,  8, false, kDefaultFont, kFace,  0, 0},
    {L"pbSetup",  K::ProgressBar, ids::kSetupPbSetup, 0, nullptr,                           600,  2640, 6135, 255,  9, false, kDefaultFont, kFace,  0, 100},
    {L"Line1",    K::Line,     0,                   0,  nullptr,                            1680, 4680, 7440, 4680, -1, true,  kDefaultFont, kWhite, 0, 0},
};

constexpr ControlDesign kSetupEndControls[] = {
    {L"btnEnd",   K::Button,   ids::kSetupEndBtnEnd, 0, L"完 成(&F)",                 5520, 4920, 1335, 375, 0, true, kDefaultFont, kFace,  0, 0},
    {L"lbMsg",    K::Label,    ids::kSetupEndLbMsg,  0, L"",                          2880, 480,  4095, 855, 1, true, kSong12Bold,  kWhite, 0, 0},
    {L"Label1",   K::Label,    ids::kSetupEndLabel1, 0, L"单击\"完成\"按钮退出安装向导", 2880, 1800, 3135, 375, 2, true, kDefaultFont, kWhite, 0, 0},
    {L"Line1",    K::Line,     0,                    0, nullptr,                      0,    4800, 7440, 4800, -1, true, kDefaultFont, kWhite, 0, 0},
};
// clang-format on

constexpr FormDesign kDefault{L"Default", ids::kDefaultClass, SETUP_PRODUCT_NAME, 7560, 3915, StartUp::Manual, 6120,
                              5940,       Picture::Banner,    kDefaultControls};
constexpr FormDesign kSetup{L"Setup", ids::kSetupClass, SETUP_PRODUCT_NAME, 7440, 5370, StartUp::CentreScreen, 0,
                            0,        Picture::Banner,  kSetupControls};
constexpr FormDesign kSetupEnd{
    L"SetupEnd", ids::kSetupEndClass, SETUP_PRODUCT_NAME, 7440, 5370, StartUp::CentreScreen, 0,
    0,           Picture::Side,       kSetupEndControls};

}  // namespace

const FormDesign& LauncherDesign() { return kDefault; }
const FormDesign& WizardDesign() { return kSetup; }
const FormDesign& CompletionDesign() { return kSetupEnd; }

}  // namespace setup::ui
