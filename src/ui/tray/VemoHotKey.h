#pragma once

#include <QKeySequence>
#include <QObject>

namespace hostaq {

// The Windows encoding the configuration keeps: PopUpMod holds the modifier bits (Alt 1, Ctrl 2,
// Shift 4) and PopUpKey the virtual-key code. An empty sequence stands for no hot key.
QKeySequence HotKeyFromWindows(int modifiers, int virtualKey);
// False when the sequence has no Windows equivalent.
bool HotKeyToWindows(const QKeySequence& key, int& modifiers, int& virtualKey);

// A global hot key (an X11 key grab). Setting Active registers it; OnHotKeyRegisterSuccess or
// OnHotKeyRegisterFailed tell the outcome with the Windows encoding (zeros after a failure, and
// HotKey is then empty). OnHotKey fires when the key is pressed anywhere.
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

signals:
    void OnHotKey();
    void OnHotKeyRegisterSuccess(int modifiers, int virtualKey);
    void OnHotKeyRegisterFailed(int modifiers, int virtualKey);

private:
    QKeySequence hotKey_;
    bool active_ = false;
};

} // namespace hostaq
