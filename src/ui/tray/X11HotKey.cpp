// Hot keys as X11 passive key grabs over xcb.
#include "ui/tray/X11HotKey.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace hostaq {
namespace {

constexpr std::uint32_t KeysymNumLock = 0xff7f;
constexpr std::uint16_t MatchedModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct TFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using TReply = std::unique_ptr<T, TFree>;

std::uint16_t X11Modifiers(int windowsModifiers) {
    std::uint16_t mods = 0;
    if (windowsModifiers & 1)
        mods |= XCB_MOD_MASK_1;
    if (windowsModifiers & 2)
        mods |= XCB_MOD_MASK_CONTROL;
    if (windowsModifiers & 4)
        mods |= XCB_MOD_MASK_SHIFT;
    return mods;
}

} // namespace

TX11HotKeyBackend::TX11HotKeyBackend(xcb_connection_t* connection) : connection_(connection) {}

TX11HotKeyBackend::~TX11HotKeyBackend() {
    if (xcb_connection_has_error(connection_) == 0) {
        for (const TGrab& grab : grabs_)
            Ungrab(grab.Code, grab.Mods);
        xcb_flush(connection_);
    }
}

std::vector<xcb_window_t> TX11HotKeyBackend::Roots() const {
    std::vector<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_)); it.rem > 0; xcb_screen_next(&it))
        roots.push_back(it.data->root);
    return roots;
}

xcb_keycode_t TX11HotKeyBackend::KeycodeOf(std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    TReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
        connection_,
        xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!reply)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int perCode = reply->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    // Letters appear as lower case on the first level and upper case on the second.
    const std::uint32_t upper = keysym >= 'a' && keysym <= 'z' ? keysym - 'a' + 'A' : keysym;
    for (int i = 0; i < total && perCode > 0; ++i)
        if (syms[i] == keysym || syms[i] == upper)
            return static_cast<xcb_keycode_t>(setup->min_keycode + i / perCode);
    return 0;
}

std::uint16_t TX11HotKeyBackend::NumLockMask() {
    const xcb_keycode_t numLock = KeycodeOf(KeysymNumLock);
    if (numLock == 0)
        return 0;
    TReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (!reply)
        return XCB_MOD_MASK_2;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (codes[modifier * perModifier + i] == numLock)
                return static_cast<std::uint16_t>(1u << modifier);
    return 0;
}

std::vector<std::uint16_t> TX11HotKeyBackend::LockVariants() {
    const std::uint16_t numLock = NumLockMask();
    std::vector<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (numLock != 0) {
        variants.push_back(numLock);
        variants.push_back(static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

void TX11HotKeyBackend::Ungrab(xcb_keycode_t code, std::uint16_t mods) {
    const std::vector<std::uint16_t> variants = LockVariants();
    for (xcb_window_t root : Roots())
        for (std::uint16_t variant : variants)
            xcb_ungrab_key(connection_, code, root, static_cast<std::uint16_t>(mods | variant));
}

int TX11HotKeyBackend::Grab(int modifiers, int virtualKey, std::function<void()> pressed, QString& error) {
    if (xcb_connection_has_error(connection_) != 0) {
        error = QStringLiteral("The connection to the X server is broken");
        return 0;
    }
    const std::uint32_t keysym = KeysymOfVirtualKey(virtualKey);
    const xcb_keycode_t code = keysym != 0 ? KeycodeOf(keysym) : 0;
    if (code == 0) {
        error = QStringLiteral("The keyboard has no key for the hot key");
        return 0;
    }
    const std::uint16_t mods = X11Modifiers(modifiers);
    // The server lets a client grab its own key twice; two hot keys of this program may not.
    if (std::any_of(grabs_.begin(), grabs_.end(),
                    [&](const TGrab& g) { return g.Code == code && g.Mods == mods; })) {
        error = QStringLiteral("The program already uses this hot key");
        return 0;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_window_t root : Roots())
        for (std::uint16_t variant : LockVariants())
            cookies.push_back(xcb_grab_key_checked(connection_, 1, root,
                                                   static_cast<std::uint16_t>(mods | variant), code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies) {
        TReply<xcb_generic_error_t> failure(xcb_request_check(connection_, cookie));
        refused = refused || failure != nullptr;
    }
    if (refused) {
        // Whatever part was taken goes back; the server only drops grabs this client holds.
        Ungrab(code, mods);
        xcb_flush(connection_);
        error = QStringLiteral("Another program holds the hot key");
        return 0;
    }
    xcb_flush(connection_);
    const int id = nextId_++;
    grabs_.push_back({id, code, mods, std::move(pressed)});
    return id;
}

void TX11HotKeyBackend::Release(int id) {
    const auto it = std::find_if(grabs_.begin(), grabs_.end(), [id](const TGrab& g) { return g.Id == id; });
    if (it == grabs_.end())
        return;
    Ungrab(it->Code, it->Mods);
    xcb_flush(connection_);
    grabs_.erase(it);
}

bool TX11HotKeyBackend::HandleEvent(const xcb_generic_event_t* event) {
    if (event == nullptr)
        return false;
    const int type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release events share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const std::uint16_t mods = key->state & MatchedModifiers;
    for (const TGrab& grab : grabs_) {
        if (grab.Code == key->detail && grab.Mods == mods) {
            if (type == XCB_KEY_RELEASE)
                return true;
            // The handler may release this very grab; it runs from a copy.
            const std::function<void()> pressed = grab.Pressed;
            if (pressed)
                pressed();
            return true;
        }
    }
    return false;
}

bool TX11HotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != QByteArrayLiteral("xcb_generic_event_t"))
        return false;
    return HandleEvent(static_cast<const xcb_generic_event_t*>(message));
}

} // namespace hostaq
