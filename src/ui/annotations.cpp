#include "ui/annotations.hpp"

#include <oleacc.h>

#include "platform/com_ptr.hpp"

namespace setup::ui {
namespace {

// UI Automation's LiveSetting property, which the annotation service passes on to UI
// Automation clients; MinGW's headers lack it.
constexpr GUID kLiveSettingProperty{0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers give only to programs for Windows 8 and
// later; Windows 7 ignores it.
constexpr DWORD kLiveRegionChanged = 0x8019;
constexpr auto kClient = static_cast<DWORD>(OBJID_CLIENT);

// The annotations of a window must go before the window does, or they outlive it.
void Annotate(HWND hwnd, const GUID& property, LONG value, bool on) {
    ComPtr<IAccPropServices> services;
    if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                  services.put_void())) ||
        !services) {
        return;
    }
    if (!on) {
        services->ClearHwndProps(hwnd, kClient, CHILDID_SELF, &property, 1);
        return;
    }
    VARIANT v{};  // no VariantInit: that would import oleaut32 for a zero fill
    v.vt = VT_I4;
    v.lVal = value;
    services->SetHwndProp(hwnd, kClient, CHILDID_SELF, property, v);
}

class AnnotationService final : public Annotations {
public:
    void SetDialogRole(HWND window, bool dialog) override {
        Annotate(window, PROPID_ACC_ROLE, ROLE_SYSTEM_DIALOG, dialog);
    }
    void SetLiveRegion(HWND control, bool live) override { Annotate(control, kLiveSettingProperty, kPolite, live); }
    void LiveRegionChanged(HWND control) override {
        ::NotifyWinEvent(kLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
    }
};

}  // namespace

Annotations& SystemAnnotations() {
    static AnnotationService service;
    return service;
}

}  // namespace setup::ui
