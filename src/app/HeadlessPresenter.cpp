#include "app/HeadlessPresenter.h"

#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "log/Log.h"
#include "log/LogKind.h"

namespace hostaq {

namespace {
const char* TrayStateName(int state) {
    switch (state) {
    case TrayNormal:
        return "normal";
    case TrayWarning:
        return "warning";
    case TrayError:
        return "error";
    case TrayDisabled:
        return "disabled";
    case TrayDialer:
        return "dialer";
    default:
        return "busy";
    }
}

const char* KindName(TNoticeKind kind) {
    switch (kind) {
    case TNoticeKind::Warning:
        return "warning";
    case TNoticeKind::Error:
        return "error";
    default:
        return "information";
    }
}

// One line of output: line breaks inside a text become " - ".
std::string OneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += " - ";
        } else {
            out += c;
        }
    }
    return out;
}

// The countdown texts of the offline update window.
constexpr const char* TextScheduled = "The offline update has been scheduled.";
constexpr const char* TextWithin = "The process will be performed within %d seconds.";
constexpr const char* TextDownloadPage = "Download page: %s";
} // namespace

THeadlessPresenter::THeadlessPresenter(TEventLoop& loop, std::FILE* out) : loop_(loop), out_(out) {}

THeadlessPresenter::~THeadlessPresenter() = default;

void THeadlessPresenter::Line(const std::string& text) {
    std::fprintf(out_, "-- %s\n", OneLine(text).c_str());
    std::fflush(out_);
}

void THeadlessPresenter::SetTrayState(int state) {
    // The animation frames of a run are not changes of status.
    if (state >= TrayAnim1 || state == trayState_)
        return;
    trayState_ = state;
    Line(std::string("tray: ") + TrayStateName(state));
}

void THeadlessPresenter::SetTrayHint(const std::string& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    Line("hint: " + hint);
}

void THeadlessPresenter::ShowBalloon(const std::string&, const std::string& text, TNoticeKind kind, int) {
    Line(std::string("balloon (") + KindName(kind) + "): " + text);
}

void THeadlessPresenter::Notify(TNoticeKind kind, const std::string& text) {
    Line(std::string("message (") + KindName(kind) + "): " + text);
}

bool THeadlessPresenter::Confirm(const std::string& text) {
    Line("question: " + text + " -> No");
    return false;
}

void THeadlessPresenter::StartOfflineCountdown(std::function<void(bool goAhead)> answer) {
    Line(std::string(TextScheduled) + " " + FormatText(TextWithin, {std::to_string(CountdownSeconds)}));
    countdown_ = std::make_unique<TTimer>(loop_, CountdownSeconds * 1000);
    countdown_->OnTimer = [this, answer = std::move(answer)] {
        countdown_->SetEnabled(false);
        answer(true);
    };
    countdown_->SetEnabled(true);
}

void THeadlessPresenter::ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) {
    // The notice's question (visit the download page?) has nobody to answer it: the entry names
    // the page instead.
    const std::string news = text.substr(0, text.find_first_of("\r\n"));
    AddLog(LogNormal, news + " " + FormatText(TextDownloadPage, {DefaultDownloadPage}));
    if (onClosed)
        onClosed();
}

void THeadlessPresenter::Terminate() {
    loop_.Quit(exitCode_);
}

std::string LogEntryLine(int kind, const std::string& text) {
    return std::string(LogFileMarker(kind)) + " - " + FormatLogLine(text);
}

} // namespace hostaq
