#pragma once

#include "ui/tray/VemoHotKey.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <vector>
#include <xcb/xcb.h>

namespace hostaq {

// The X key symbol of a Windows virtual-key code; 0 when there is none.
std::uint32_t KeysymOfVirtualKey(int virtualKey);

// Hot keys as passive key grabs on every root window of one X connection. Each key is grabbed
// four times - as is, with Num Lock, with Caps Lock and with both - so the lock keys do not
// matter; a grab another client holds is refused by the server and the registration fails.
class TX11HotKeyBackend : public THotKeyBackend, public QAbstractNativeEventFilter {
public:
    explicit TX11HotKeyBackend(xcb_connection_t* connection);
    ~TX11HotKeyBackend() override;

    int Grab(int modifiers, int virtualKey, std::function<void()> pressed, QString& error) override;
    void Release(int id) override;

    // Runs the handler of a key press that matches one of our grabs; true when the press or
    // release was ours (it goes no further).
    bool HandleEvent(const xcb_generic_event_t* event);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct TGrab {
        int Id;
        xcb_keycode_t Code;
        std::uint16_t Mods;
        std::function<void()> Pressed;
    };
    xcb_keycode_t KeycodeOf(std::uint32_t keysym);
    std::uint16_t NumLockMask();
    std::vector<std::uint16_t> LockVariants();
    std::vector<xcb_window_t> Roots() const;
    void Ungrab(xcb_keycode_t code, std::uint16_t mods);

    xcb_connection_t* connection_;
    std::vector<TGrab> grabs_;
    int nextId_ = 1;
};

} // namespace hostaq
