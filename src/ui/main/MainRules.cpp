#include "ui/main/MainRules.h"

#include "config/ConfigKeys.h"

namespace hostaq {

TCommandState CommandState(const TCommandInputs& in) {
    TCommandState s;
    s.UpdateCommands = in.GroupCount > 0 && in.Cycle == CycleIdle;
    s.MenuUpdate = s.UpdateCommands && !in.DisplayNeedPass;
    s.MenuStartWithWindows = in.StartWithWindowsAllowed && !in.DisplayNeedPass;
    s.MenuAutoCheck = !in.DisplayNeedPass;
    s.OffersHide = in.WindowVisible;
    return s;
}

bool ExitNeedsConfirmation() {
    return !ReadBool(Keys::DialogsExitDialog) && !ReadBool(Keys::ExitDialog);
}

QString HelpTopicForPage(int page, bool windowVisible) {
    if (!windowVisible)
        return {};
    switch (page) {
    case 0:
        return QStringLiteral("infopage.html");
    case 1:
        return QStringLiteral("optionspage.html");
    case 2:
        return QStringLiteral("offlinepage.html");
    case 3:
        return QStringLiteral("logpage.html");
    default:
        return QStringLiteral("mainwin.html");
    }
}

bool TrayClickOpensWindow(bool doubleClick, bool useSingleClick, bool doubleClickReported) {
    if (!doubleClickReported)
        return true;
    return doubleClick != useSingleClick;
}

bool HideTrayInForce(bool hideTray, bool hotKeySet) {
    return hideTray && hotKeySet;
}

bool TrayIconVisible(int state, bool hideTrayInForce) {
    return state != 0 || !hideTrayInForce;
}

TOfflineVisibility OfflineControlsVisibility(int afterOfflineIndex, TConnectionKind kind) {
    TOfflineVisibility v;
    v.Disconnect = (afterOfflineIndex == 0 || afterOfflineIndex == 1) && kind == ConnectionDialUp;
    v.Forced = afterOfflineIndex >= 2;
    return v;
}

QRect FloatingLogGeometry(int left, int top, int width, int height) {
    return {left, top, width + 8, height + 26};
}

QRect StoredLogGeometry(const QRect& floating) {
    return {floating.x(), floating.y(), floating.width() - 8, floating.height() - 26};
}

} // namespace hostaq
