#include "platform/SoftwareUpdate.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "net/GetHttpText.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"
#include "platform/CommandRunner.h"
#include "platform/PlatformMessages.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace hostaq {

namespace {
std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A decimal integer, 0 when the text is not one.
int PartValue(const std::string& text) {
    if (text.empty())
        return 0;
    std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size())
        return 0;
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] < '0' || text[j] > '9')
            return 0;
    }
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return 0;
    return static_cast<int>(value);
}
} // namespace

bool ParseVersion(const std::string& text, TVersionNumber& version) {
    const std::string trimmed = Trim(text);
    std::string parts[4];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = trimmed.find('.', start);
        if (dot == std::string::npos)
            return false;
        parts[i] = trimmed.substr(start, dot - start);
        start = dot + 1;
    }
    parts[3] = trimmed.substr(start);
    version = {PartValue(parts[0]), PartValue(parts[1]), PartValue(parts[2]), PartValue(parts[3])};
    return true;
}

long long VersionScore(const TVersionNumber& v) {
    return static_cast<long long>(v.Major) * 1000 + static_cast<long long>(v.Minor) * 100 +
           static_cast<long long>(v.Release) * 10 + v.Build;
}

std::string VersionDisplayText(const TVersionNumber& v) {
    return std::to_string(v.Major) + "." + std::to_string(v.Minor) + "." + std::to_string(v.Release) +
           " (Build " + std::to_string(v.Build) + ")";
}

TVersionNumber OwnVersion() {
    return {VersionMajor, VersionMinor, VersionRelease, VersionBuild};
}

bool FetchPageText(const std::string& agent, const std::string& url, const TConnectionSettings& connection,
                   std::string& text, const std::atomic<bool>& cancel) {
    TVemoGetHttpText getter;
    getter.SetAgent(agent);
    getter.Url = url;
    getter.Deadline = VersionCheckDeadlineMs;
    connection.ApplyTo(getter.HTTP());
    getter.HTTP().Sock.CancelFlag = &cancel;
    if (cancel.load() || !getter.GetText() || cancel.load())
        return false;
    text = Trim(getter.TheText());
    return true;
}

bool PageNamesNewerVersion(bool ok, const std::string& page, const TVersionNumber& own,
                           std::string& versionText) {
    if (!ok)
        return false;
    TVersionNumber found;
    if (!ParseVersion(page, found))
        return false;
    versionText = VersionDisplayText(found);
    return VersionScore(found) > VersionScore(own);
}

namespace {
// Reads the version page on a worker thread and hands the outcome to the main thread.
class TVersionPageWorker : public TWorkerThread {
public:
    TPageFetch Fetch;
    std::string Agent;
    std::string Url;
    TConnectionSettings Connection;
    std::shared_ptr<std::atomic<bool>> Cancel;
    std::function<void(bool ok, const std::string& page)> OnPage; // on the main thread

protected:
    void Execute() override {
        std::string page;
        bool ok = false;
        try {
            ok = Fetch && Fetch(Agent, Url, Connection, page, *Cancel);
        } catch (...) {
            ok = false;
        }
        Synchronize([this, ok, &page] { OnPage(ok, page); });
    }
};
} // namespace

TDateTime NextVersionCheckTime(const TDateTime& lastCheck, int period) {
    switch (period) {
    case 0:
        return lastCheck.AddDays(1);
    case 2:
        return lastCheck.AddDays(14);
    case 3:
        return lastCheck.AddMonths(1);
    default:
        return lastCheck.AddDays(7);
    }
}

std::string StoredCurrentVersion() {
    return ReadString(Keys::CurrentVersion, VersionText());
}

TSoftwareUpdate::TSoftwareUpdate(TPresenter& presenter, TPageFetch fetch, TVersionNumber own)
    : presenter_(presenter), fetch_(std::move(fetch)), own_(own) {
    OpenUrl = [](const std::string& url) { RunCommand({"xdg-open", url}); };
}

TSoftwareUpdate::~TSoftwareUpdate() {
    Cancel();
}

void TSoftwareUpdate::Cancel() {
    cancel_->store(true);
}

void TSoftwareUpdate::StartFetch(std::function<void(bool ok, const std::string& page)> onPage) {
    auto* worker = new TVersionPageWorker;
    worker->Fetch = fetch_;
    worker->Agent = AppTitle;
    worker->Url = ReadString(Keys::SoftAutoUpdateURL);
    worker->Connection = ReadConnectionSettings();
    worker->Cancel = cancel_;
    ++inProgress_;
    std::weak_ptr<bool> alive = alive_;
    worker->OnPage = [this, alive, onPage = std::move(onPage)](bool ok, const std::string& page) {
        if (alive.expired())
            return;
        --inProgress_;
        onPage(ok, page);
    };
    worker->Start();
}

TDateTime TSoftwareUpdate::NextCheck() {
    if (!next_)
        ScheduleVersionCheck();
    return *next_;
}

void TSoftwareUpdate::Run() {
    RunVersionCheck();
}

void TSoftwareUpdate::ScheduleVersionCheck() {
    const TDateTime last = ReadStamp(Keys::SoftAutoUpdateLastCheck).value_or(Now());
    WriteStamp(Keys::SoftAutoUpdateLastCheck, last);
    next_ = NextVersionCheckTime(last, ReadInteger(Keys::SoftAutoUpdateInt));
}

std::string TSoftwareUpdate::NoticeText(const std::string& versionText) {
    return FormatMsg(MsgNewVersionDownload, {versionText, AppTitle, "\r\n"});
}

void TSoftwareUpdate::RunVersionCheck() {
    WriteStamp(Keys::SoftAutoUpdateLastCheck, Now());
    if (ReadBool(Keys::SoftAutoUpdate) && !periodicRunning_) {
        periodicRunning_ = true;
        StartFetch([this](bool ok, const std::string& page) {
            periodicRunning_ = false;
            std::string versionText;
            if (!PageNamesNewerVersion(ok, page, own_, versionText))
                return;
            if (!noticeOpen_) {
                noticeOpen_ = true;
                // The notice may outlive this object; closing it then changes nothing.
                std::weak_ptr<bool> alive = alive_;
                presenter_.ShowUpdateNotice(NoticeText(versionText), [this, alive] {
                    if (!alive.expired())
                        noticeOpen_ = false;
                });
            }
            WriteString(Keys::CurrentVersion, versionText);
        });
    }
    ScheduleVersionCheck();
}

bool TSoftwareUpdate::CheckNow(std::function<void(bool newer)> done) {
    WriteStamp(Keys::SoftAutoUpdateLastCheck, Now());
    if (!ReadBool(Keys::SoftAutoUpdate))
        return false;
    StartFetch([this, done = std::move(done)](bool ok, const std::string& page) {
        std::string versionText = Msg(MsgUnknownVersion);
        const bool newer = PageNamesNewerVersion(ok, page, own_, versionText);
        if (newer &&
            presenter_.Confirm(FormatMsg(MsgNewVersionDownload, {Trim(versionText), AppTitle, "\r\n"})) &&
            OpenUrl)
            OpenUrl(ReadString(Keys::SoftAutoUpdateWeb));
        WriteString(Keys::CurrentVersion, versionText);
        if (done)
            done(newer);
    });
    return true;
}

void TSoftwareUpdate::AboutCheck(std::function<void()> done) {
    StartFetch([this, done = std::move(done)](bool ok, const std::string& page) {
        std::string versionText;
        if (PageNamesNewerVersion(ok, page, own_, versionText)) {
            if (presenter_.Confirm(FormatMsg(MsgNewVersionWebsite, {Trim(versionText), "\r\n"})) && OpenUrl)
                OpenUrl(MakerWebPage);
        } else {
            presenter_.Notify(TNoticeKind::Information, Msg(MsgLatestVersion));
        }
        if (done)
            done();
    });
}

} // namespace hostaq
