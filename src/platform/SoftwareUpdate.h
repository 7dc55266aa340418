#pragma once

#include "config/DateTime.h"
#include "engine/EngineSeams.h"
#include "engine/Presenter.h"
#include "net/SystemProxy.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace hostaq {

// A version number: major.minor.release.build.
struct TVersionNumber {
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    int Build = 0;
};

// The page text, trimmed and split at the first three "."; each part a decimal integer (0 when
// it is not one). False (no version) with fewer than three ".".
bool ParseVersion(const std::string& text, TVersionNumber& version);
// major x 1000 + minor x 100 + release x 10 + build: a version is newer when its score is greater.
long long VersionScore(const TVersionNumber& version);
// "%d.%d.%d (Build %d)"
std::string VersionDisplayText(const TVersionNumber& version);
// The program's own version.
TVersionNumber OwnVersion();

// Fetches a page as text (trimmed of blanks and line ends around it); false when it could not be
// read or cancel was set. The production fetch goes through the HTTP client with the proxy when
// UseProxy is on, and ends within VersionCheckDeadlineMs whatever the server does. It runs on
// a worker thread.
using TPageFetch = std::function<bool(const std::string& agent, const std::string& url,
                                      const TConnectionSettings& connection, std::string& text,
                                      const std::atomic<bool>& cancel)>;
bool FetchPageText(const std::string& agent, const std::string& url, const TConnectionSettings& connection,
                   std::string& text, const std::atomic<bool>& cancel);

// True when a page that was read (ok) names a version newer than own. On a successful parse
// versionText becomes the page's version in display form; otherwise it keeps what the caller put in.
bool PageNamesNewerVersion(bool ok, const std::string& page, const TVersionNumber& own,
                           std::string& versionText);

// The next check after lastCheck for the period (0 daily, 1 weekly, 2 every two weeks, 3 monthly).
// Another value takes the weekly period, so a hand-edited value never makes every heartbeat
// fetch the page.
TDateTime NextVersionCheckTime(const TDateTime& lastCheck, int period);

// The newest version seen (CheckUpdate/CurrentVersion), the program's own version when none.
std::string StoredCurrentVersion();

// The software update check of the main window: periodic checks with the notice, and the
// checks the software-update dialog and the about box make. The periodic check and the about
// box's read the page on a worker: nothing on the main thread waits on the network. Their
// outcome is handled on the main thread when the page has been read.
class TSoftwareUpdate : public TVersionCheck {
public:
    explicit TSoftwareUpdate(TPresenter& presenter, TPageFetch fetch = FetchPageText,
                             TVersionNumber own = OwnVersion());
    // A check still reading its page is cancelled; its outcome reaches nobody.
    ~TSoftwareUpdate() override;
    TSoftwareUpdate(const TSoftwareUpdate&) = delete;
    TSoftwareUpdate& operator=(const TSoftwareUpdate&) = delete;

    // Opens a web page in the browser (xdg-open unless replaced).
    std::function<void(const std::string& url)> OpenUrl;

    // When the periodic check runs next: computed by the first call (ScheduleVersionCheck) and
    // after every run.
    TDateTime NextCheck() override;
    // RunVersionCheck.
    void Run() override;

    // Reads the last check (now when absent), writes it back and computes the next check.
    void ScheduleVersionCheck();
    // The periodic check: stores the time, checks when SoftAutoUpdate is on (on a worker; one at
    // a time), announces a newer version in the notice (one at a time), stores it, and
    // schedules the next check.
    void RunVersionCheck();
    bool NoticeOpen() const { return noticeOpen_; }
    // Checks reading their page now.
    int ChecksInProgress() const { return inProgress_; }
    // Ends every check in progress at once (the program stops); later ones fail at once too.
    void Cancel();

    // Check Now of the software-update dialog: reads the page on a worker and returns at once.
    // Once it has been read (or could not be), the question for a newer version is asked, the
    // version stored, and done(newer) runs on the main thread. False, with nothing read, when
    // the check is switched off.
    bool CheckNow(std::function<void(bool newer)> done = {});
    // The check of the about box: a question for a newer version, else "You have the latest
    // version." (also when the page could not be read). Returns at once; done runs on the main
    // thread once the answer has been given.
    void AboutCheck(std::function<void()> done = {});

    // The notice's text for a version.
    static std::string NoticeText(const std::string& versionText);

private:
    // Reads the page on a worker; onPage(ok, page) runs on the main thread unless this object is
    // gone by then.
    void StartFetch(std::function<void(bool ok, const std::string& page)> onPage);

    TPresenter& presenter_;
    TPageFetch fetch_;
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    int inProgress_ = 0;
    bool periodicRunning_ = false;
    TVersionNumber own_;
    std::optional<TDateTime> next_;
    bool noticeOpen_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace hostaq
