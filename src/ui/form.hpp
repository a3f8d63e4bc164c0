#pragma once
// A window built from its design table. One object per window class lives for the whole
// program; loading creates the window, unloading removes it, and the object's data stay.
//
// The runtime is split by job: form.cpp creates, dispatches and unloads; form_controls.cpp
// creates the controls and sets what the windows change of them; form_placement.cpp sizes and
// places at the window's DPI and the user's text size; form_painting.cpp draws the picture,
// the lines and the colours; form_keyboard.cpp gives the buttons their tab order and access
// keys.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/unique_handle.hpp"
#include "ui/desktop.hpp"
#include "ui/form_design.hpp"
#include "ui/taskbar_button.hpp"

namespace setup::ui {

class Form {
public:
    explicit Form(const FormDesign& design, const Desktop& desktop = SystemDesktop());
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window from its design, runs the load handler, then shows it.
    void Load();
    // Removes the window from the screen. Safe inside the window's own handlers.
    void Unload();
    bool Loaded() const { return hwnd_ != nullptr; }
    HWND Handle() const { return hwnd_; }
    const FormDesign& Design() const { return design_; }

    HWND Control(int id) const;
    void SetCaption(const std::wstring& text);
    // A label that is a live region announces each new text.
    void SetText(int id, const std::wstring& text);
    // Screen readers announce the label's text whenever it changes, and at Announce.
    void MakeLiveRegion(int id);
    void Announce(int id);
    void SetVisible(int id, bool visible);
    void SetEnabled(int id, bool enabled);
    // A message box with an OK button; owned by the window while it is on screen.
    void ShowMessage(const std::wstring& text, const std::wstring& title);
    // The window's button on the taskbar; it shows no progress once the window goes.
    TaskbarProgress& Taskbar() { return taskbar_; }

    // Keyboard handling the program's message loop gives its windows: Tab moves through
    // the buttons, Enter presses the focused one, Escape presses none, Alt+letter presses
    // the button with that access key.
    bool TranslateKey(const MSG& msg);

    // The form a window of the program belongs to; nullptr for any other window.
    static Form* FromWindow(HWND hwnd);
    static int LoadedCount();

protected:
    virtual void OnLoad() {}
    virtual void OnClick(int /*id*/) {}
    // The close button, Alt+F4 and the system menu; by default they unload the window.
    virtual void OnClose() { Unload(); }
    // The session is about to end (a shutdown, a logoff, an update's restart): false asks it
    // to wait. critical: it ends whatever the answer.
    virtual bool OnQueryEndSession(bool /*critical*/) { return true; }
    // The session ends now; the process may be ended at any moment once this returns.
    virtual void OnEndSession() {}

private:
    struct Child {
        const ControlDesign* design;
        HWND hwnd;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND hwnd);
    void Detach();

    // form_controls.cpp
    void CreateControls();
    const Child* FindChild(HWND hwnd) const;
    const Child* FindChild(int id) const;

    // form_placement.cpp
    void ApplyLayout(const POINT* windowOrigin);
    void PlaceWindow(const POINT* windowOrigin);
    // The window rectangle around the client area, whose top-left corner is at 0, 0.
    RECT Frame() const;
    int ChooseLayoutDpi() const;
    void FollowTextScale();
    RECT PlacedRect(const RECT& frame, const POINT* windowOrigin) const;
    void MoveTo(const RECT& window);
    void ApplyFonts();
    void ApplyIcons();
    HFONT FontFor(const Font& font) const;

    // form_painting.cpp
    void Paint();
    LRESULT ControlColours(HDC dc, HWND control);
    void FollowSystemColours();
    void OnSystemColoursChanged(UINT msg, WPARAM wp, LPARAM lp);

    // form_keyboard.cpp
    std::vector<const Child*> TabStops() const;
    void MoveFocus(bool backwards);
    void PressButton(const Child& button);
    void OnActivate(bool active);

    const FormDesign& design_;
    const Desktop& desktop_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    // What the design is laid out at: the DPI enlarged by the user's text size.
    int layoutDpi_ = 96;
    // While the window is created and placed: a DPI change then is laid out by the placing.
    bool placing_ = false;
    // The system's colours instead of the design's white and pictures.
    bool systemColours_ = false;
    std::vector<Child> children_;
    std::vector<std::pair<Font, UniqueFont>> fonts_;
    UniqueBrush whiteBrush_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    HWND savedFocus_ = nullptr;
    std::vector<HWND> liveRegions_;
    TaskbarButton taskbar_{[this] { return desktop_.ConnectTaskbar(); }};
};

}  // namespace setup::ui
