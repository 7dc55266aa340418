#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>

namespace hostaq {

// The Windows encoding the configuration keeps: PopUpMod holds the modifier bits (Alt 1, Ctrl 2,
// Shift 4) and PopUpKey the virtual-key code. An empty sequence stands for no hot key.
// Letters, digits, F1-F24, the arrows, Home/End/Page Up/Page Down/Insert/Delete, space, Tab,
// Return, Escape, Backspace, Pause, Print, Scroll Lock, the keypad and the punctuation keys of a
// US keyboard are known; other codes give the empty sequence.
QKeySequence HotKeyFromWindows(int modifiers, int virtualKey);
// False (and zeros) when the sequence is empty, holds more than one key, uses Meta or a key
// without a Windows code.
bool HotKeyToWindows(const QKeySequence& key, int& modifiers, int& virtualKey);

// Why a key cannot be the hot key, empty when it can (and for the empty sequence, no hot key): it
// is grabbed on the whole desktop, so it needs Ctrl or Alt; a plain key, or one with only Shift,
// would be taken from every other program.
QString HotKeyProblem(const QKeySequence& key);

// Where a hot key is taken from the desktop: the X server, or a stand-in in tests.
class THotKeyBackend {
public:
    virtual ~THotKeyBackend() = default;
    // Takes the key (Windows encoding) for this program; `pressed` runs on each press. Returns
    // an id above 0, or 0 with the reason in `error` when the key cannot be had.
    virtual int Grab(int modifiers, int virtualKey, std::function<void()> pressed, QString& error) = 0;
    virtual void Release(int id) = 0;
};

// A global hot key (an X11 key grab). Setting Active registers it; OnHotKeyRegisterSuccess or
// OnHotKeyRegisterFailed tell the outcome with the Windows encoding (zeros after a failure, and
// HotKey is then empty). OnHotKey fires when the key is pressed anywhere.
// Activating with an empty hot key registers nothing and reports nothing.
class TVemoHotKey : public QObject {
    Q_OBJECT
public:
    explicit TVemoHotKey(QObject* parent = nullptr);
    ~TVemoHotKey() override;

    QKeySequence HotKey() const { return hotKey_; }
    // Changing the key of an active hot key registers the new one.
    void SetHotKey(const QKeySequence& key);
    bool Active() const { return active_; }
    void SetActive(bool active);
    // The key is held by this program right now.
    bool Registered() const { return grabId_ != 0; }
    // Why the last registration failed, for the log; empty after a success.
    QString FailureReason() const { return failureReason_; }

    // The grabbing backend of every hot key: nullptr restores the platform's own (the X server
    // on xcb; elsewhere - Wayland, offscreen, no display - every registration fails).
    static void SetBackend(THotKeyBackend* backend);
    static THotKeyBackend* PlatformBackend();

signals:
    void OnHotKey();
    void OnHotKeyRegisterSuccess(int modifiers, int virtualKey);
    void OnHotKeyRegisterFailed(int modifiers, int virtualKey);

private:
    void Register();
    void Unregister();

    QKeySequence hotKey_;
    bool active_ = false;
    int grabId_ = 0;
    THotKeyBackend* grabbedWith_ = nullptr;
    QString failureReason_;
};

} // namespace hostaq
