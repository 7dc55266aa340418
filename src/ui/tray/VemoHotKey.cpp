// The hot key's Windows encoding and its registration through the grabbing backend.
#include "ui/tray/VemoHotKey.h"

#include "ui/tray/X11HotKey.h"

#include "config/Messages.h"

#include <QGuiApplication>

#include <array>

namespace hostaq {
namespace {

constexpr int ModAlt = 1;
constexpr int ModCtrl = 2;
constexpr int ModShift = 4;
// "%s cannot be the hot key: it needs Ctrl or Alt, or that key would be taken from every other
// program."
constexpr int MsgHotKeyNeedsModifier = 10502;

// One key in both encodings and its X key symbol. Letters, digits and F-keys are ranges and are
// worked out below.
struct TKeyEntry {
    int VirtualKey;
    int QtKey;
    bool Keypad;
    std::uint32_t Keysym;
};

constexpr std::array<TKeyEntry, 44> KeyTable = {{
    {0x08, Qt::Key_Backspace, false, 0xff08},
    {0x09, Qt::Key_Tab, false, 0xff09},
    {0x0D, Qt::Key_Return, false, 0xff0d},
    {0x13, Qt::Key_Pause, false, 0xff13},
    {0x1B, Qt::Key_Escape, false, 0xff1b},
    {0x20, Qt::Key_Space, false, 0x0020},
    {0x21, Qt::Key_PageUp, false, 0xff55},
    {0x22, Qt::Key_PageDown, false, 0xff56},
    {0x23, Qt::Key_End, false, 0xff57},
    {0x24, Qt::Key_Home, false, 0xff50},
    {0x25, Qt::Key_Left, false, 0xff51},
    {0x26, Qt::Key_Up, false, 0xff52},
    {0x27, Qt::Key_Right, false, 0xff53},
    {0x28, Qt::Key_Down, false, 0xff54},
    {0x2C, Qt::Key_Print, false, 0xff61},
    {0x2D, Qt::Key_Insert, false, 0xff63},
    {0x2E, Qt::Key_Delete, false, 0xffff},
    {0x60, Qt::Key_0, true, 0xffb0},
    {0x61, Qt::Key_1, true, 0xffb1},
    {0x62, Qt::Key_2, true, 0xffb2},
    {0x63, Qt::Key_3, true, 0xffb3},
    {0x64, Qt::Key_4, true, 0xffb4},
    {0x65, Qt::Key_5, true, 0xffb5},
    {0x66, Qt::Key_6, true, 0xffb6},
    {0x67, Qt::Key_7, true, 0xffb7},
    {0x68, Qt::Key_8, true, 0xffb8},
    {0x69, Qt::Key_9, true, 0xffb9},
    {0x6A, Qt::Key_Asterisk, true, 0xffaa},
    {0x6B, Qt::Key_Plus, true, 0xffab},
    {0x6D, Qt::Key_Minus, true, 0xffad},
    {0x6E, Qt::Key_Period, true, 0xffae},
    {0x6F, Qt::Key_Slash, true, 0xffaf},
    {0x91, Qt::Key_ScrollLock, false, 0xff14},
    {0xBA, Qt::Key_Semicolon, false, 0x003b},
    {0xBB, Qt::Key_Equal, false, 0x003d},
    {0xBC, Qt::Key_Comma, false, 0x002c},
    {0xBD, Qt::Key_Minus, false, 0x002d},
    {0xBE, Qt::Key_Period, false, 0x002e},
    {0xBF, Qt::Key_Slash, false, 0x002f},
    {0xC0, Qt::Key_QuoteLeft, false, 0x0060},
    {0xDB, Qt::Key_BracketLeft, false, 0x005b},
    {0xDC, Qt::Key_Backslash, false, 0x005c},
    {0xDD, Qt::Key_BracketRight, false, 0x005d},
    {0xDE, Qt::Key_Apostrophe, false, 0x0027},
}};

// A key typed with Shift reaches Qt as the shifted character; on the US layout the Windows code
// is that of the unshifted key.
struct TShiftedKey {
    int QtKey;
    int VirtualKey;
};
constexpr std::array<TShiftedKey, 21> ShiftedKeys = {{
    {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},          {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},     {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'},    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Underscore, 0xBD}, {Qt::Key_Plus, 0xBB},
    {Qt::Key_Colon, 0xBA},     {Qt::Key_Less, 0xBC},       {Qt::Key_Greater, 0xBE},
    {Qt::Key_Question, 0xBF},  {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Bar, 0xDC},       {Qt::Key_BraceRight, 0xDD}, {Qt::Key_QuoteDbl, 0xDE},
}};

constexpr int VkF1 = 0x70;
constexpr int FKeyCount = 24;

struct TKey {
    int QtKey = 0;
    bool Keypad = false;
    std::uint32_t Keysym = 0;
};

// The key of a Windows code; QtKey 0 when the code is unknown.
TKey KeyOfVirtualKey(int vk) {
    if (vk >= 'A' && vk <= 'Z')
        return {Qt::Key_A + (vk - 'A'), false, static_cast<std::uint32_t>('a' + (vk - 'A'))};
    if (vk >= '0' && vk <= '9')
        return {Qt::Key_0 + (vk - '0'), false, static_cast<std::uint32_t>(vk)};
    if (vk >= VkF1 && vk < VkF1 + FKeyCount)
        return {Qt::Key_F1 + (vk - VkF1), false, 0xffbeu + static_cast<std::uint32_t>(vk - VkF1)};
    for (const TKeyEntry& entry : KeyTable)
        if (entry.VirtualKey == vk)
            return {entry.QtKey, entry.Keypad, entry.Keysym};
    return {};
}

int VirtualKeyOf(int qtKey, bool keypad, bool shift) {
    if (!keypad) {
        if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
            return 'A' + (qtKey - Qt::Key_A);
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return '0' + (qtKey - Qt::Key_0);
        if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + FKeyCount)
            return VkF1 + (qtKey - Qt::Key_F1);
    }
    for (const TKeyEntry& entry : KeyTable)
        if (entry.QtKey == qtKey && entry.Keypad == keypad)
            return entry.VirtualKey;
    if (shift && !keypad)
        for (const TShiftedKey& entry : ShiftedKeys)
            if (entry.QtKey == qtKey)
                return entry.VirtualKey;
    return 0;
}

THotKeyBackend* TestBackend = nullptr;

// Where nothing can be grabbed: every registration fails with the reason.
class TNoHotKeyBackend : public THotKeyBackend {
public:
    int Grab(int, int, std::function<void()>, QString& error) override {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("wayland"))
            error = QStringLiteral("Wayland gives programs no global hot keys; start the program with "
                                   "QT_QPA_PLATFORM=xcb to use one");
        else
            error = QStringLiteral("Global hot keys need an X11 display (the window system is \"%1\")")
                        .arg(platform);
        return 0;
    }
    void Release(int) override {}
};

} // namespace

std::uint32_t KeysymOfVirtualKey(int virtualKey) {
    return KeyOfVirtualKey(virtualKey).Keysym;
}

QKeySequence HotKeyFromWindows(int modifiers, int virtualKey) {
    const TKey key = KeyOfVirtualKey(virtualKey);
    if (key.QtKey == 0)
        return {};
    Qt::KeyboardModifiers mods;
    if (modifiers & ModAlt)
        mods |= Qt::AltModifier;
    if (modifiers & ModCtrl)
        mods |= Qt::ControlModifier;
    if (modifiers & ModShift)
        mods |= Qt::ShiftModifier;
    if (key.Keypad)
        mods |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key.QtKey)));
}

bool HotKeyToWindows(const QKeySequence& key, int& modifiers, int& virtualKey) {
    modifiers = virtualKey = 0;
    if (key.count() != 1)
        return false;
    const QKeyCombination combination = key[0];
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (mods & (Qt::MetaModifier | Qt::GroupSwitchModifier))
        return false;
    const int vk =
        VirtualKeyOf(combination.key(), mods.testFlag(Qt::KeypadModifier), mods.testFlag(Qt::ShiftModifier));
    if (vk == 0)
        return false;
    modifiers = (mods.testFlag(Qt::AltModifier) ? ModAlt : 0) |
                (mods.testFlag(Qt::ControlModifier) ? ModCtrl : 0) |
                (mods.testFlag(Qt::ShiftModifier) ? ModShift : 0);
    virtualKey = vk;
    return true;
}

QString HotKeyProblem(const QKeySequence& key) {
    if (key.isEmpty())
        return {};
    const Qt::KeyboardModifiers mods = key[key.count() - 1].keyboardModifiers();
    if (mods & (Qt::ControlModifier | Qt::AltModifier))
        return {};
    return QString::fromStdString(
        FormatMsg(MsgHotKeyNeedsModifier, {key.toString(QKeySequence::NativeText).toStdString()}));
}

TVemoHotKey::TVemoHotKey(QObject* parent) : QObject(parent) {}

TVemoHotKey::~TVemoHotKey() {
    Unregister();
}

void TVemoHotKey::SetHotKey(const QKeySequence& key) {
    if (key == hotKey_ && (Registered() || !active_))
        return;
    Unregister();
    hotKey_ = key;
    if (active_)
        Register();
}

void TVemoHotKey::SetActive(bool active) {
    active_ = active;
    if (!active)
        Unregister();
    else if (!Registered())
        Register();
}

void TVemoHotKey::SetBackend(THotKeyBackend* backend) {
    TestBackend = backend;
}

THotKeyBackend* TVemoHotKey::PlatformBackend() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 != nullptr && x11->connection() != nullptr) {
            // One for the program's life, hooked into the application's event stream.
            static TX11HotKeyBackend* backend = [x11] {
                auto* created = new TX11HotKeyBackend(x11->connection());
                qGuiApp->installNativeEventFilter(created);
                return created;
            }();
            return backend;
        }
    }
    static TNoHotKeyBackend none;
    return &none;
}

void TVemoHotKey::Register() {
    failureReason_.clear();
    if (hotKey_.isEmpty())
        return;
    THotKeyBackend* backend = TestBackend != nullptr ? TestBackend : PlatformBackend();
    int modifiers = 0;
    int virtualKey = 0;
    int id = 0;
    // A key a hand-edited file gives without Ctrl or Alt is refused like one another client holds.
    failureReason_ = HotKeyProblem(hotKey_);
    if (failureReason_.isEmpty() && !HotKeyToWindows(hotKey_, modifiers, virtualKey))
        failureReason_ = QStringLiteral("The key %1 cannot be used as a hot key")
                             .arg(hotKey_.toString(QKeySequence::PortableText));
    if (failureReason_.isEmpty())
        id = backend->Grab(
            modifiers, virtualKey, [this] { emit OnHotKey(); }, failureReason_);
    if (id == 0) {
        if (failureReason_.isEmpty())
            failureReason_ = QStringLiteral("The hot key could not be registered");
        hotKey_ = QKeySequence();
        emit OnHotKeyRegisterFailed(0, 0);
        return;
    }
    grabId_ = id;
    grabbedWith_ = backend;
    emit OnHotKeyRegisterSuccess(modifiers, virtualKey);
}

void TVemoHotKey::Unregister() {
    if (grabId_ == 0)
        return;
    grabbedWith_->Release(grabId_);
    grabId_ = 0;
    grabbedWith_ = nullptr;
}

} // namespace hostaq
