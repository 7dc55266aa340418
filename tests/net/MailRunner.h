#pragma once

#include "config/ConfigPath.h"
#include "log/Log.h"
#include "net/MainThread.h"
#include "net/VemoSmtp.h"
#include "net/WorkerThread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hostaq::test {

// What the events of one mail told the main thread.
struct TMailOutcome {
    bool Done = false;
    int Code = -1;
    std::string Text;
    // "status <stage> <code> <text>", "progress <percent>", "done <code> <text>" in order.
    std::vector<std::string> Events;
    std::vector<int> Percents;
    bool AllOnMainThread = true;
};

// Sends mails through TVemoSmtp on its own worker thread and pumps the main thread's events
// until the worker has ended.
class TMailRunner {
public:
    TPumpedDispatcher Loop;

    // The fields every mail starts with; setup changes what a test needs.
    static void Defaults(TVemoSmtp& mail) {
        mail.From = "Updater <updater@example.test>";
        mail.Recipients = "admin@example.test";
        mail.Subject = "[Hostaq Updater] Update Result";
        mail.XMailer = "Hostaq Updater test";
        mail.Body = {"Update process starts", "Hostname: host.example.test"};
        mail.SystemName = "client.test";
        mail.Timeout = 5000;
    }

    // Starts the mail and waits (bounded) until its worker has ended.
    TMailOutcome Send(const std::function<void(TVemoSmtp&)>& setup,
                      const std::function<void(TVemoSmtp&)>& beforeStart = {}) {
        TMailOutcome out;
        const std::thread::id main = std::this_thread::get_id();
        auto* mail = new TVemoSmtp;
        Defaults(*mail);
        setup(*mail);
        mail->OnStatus = [&out, main](TVemoSmtp&, int stage, const std::string& text, int code) {
            out.AllOnMainThread = out.AllOnMainThread && std::this_thread::get_id() == main;
            out.Events.push_back("status " + std::to_string(stage) + " " + std::to_string(code) + " " + text);
        };
        mail->OnProgress = [&out, main](TVemoSmtp& sender, int percent) {
            out.AllOnMainThread = out.AllOnMainThread && std::this_thread::get_id() == main;
            EXPECT_EQ(sender.Percent, percent);
            out.Percents.push_back(percent);
            out.Events.push_back("progress " + std::to_string(percent));
        };
        mail->OnDone = [&out, main](TVemoSmtp& sender, int code, const std::string& text) {
            out.AllOnMainThread = out.AllOnMainThread && std::this_thread::get_id() == main;
            EXPECT_EQ(sender.ResultCode, code);
            out.Done = true;
            out.Code = code;
            out.Text = text;
            out.Events.push_back("done " + std::to_string(code) + " " + text);
        };
        if (beforeStart)
            beforeStart(*mail);
        mail->SendMail();
        EXPECT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 20000))
            << "the mail worker did not end";
        return out;
    }
};

// A configuration file of its own for one test.
class TMailConfig {
public:
    TMailConfig() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-mail-XXXXXX").string();
        folder_ = ::mkdtemp(tmpl.data());
        path_ = folder_ + "/hostaq.ini";
        SetConfigPath(path_);
    }
    ~TMailConfig() {
        SetConfigPath("");
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    TMailConfig(const TMailConfig&) = delete;
    TMailConfig& operator=(const TMailConfig&) = delete;

    const std::string& Path() const { return path_; }
    void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

private:
    std::string folder_;
    std::string path_;
};

// Every log entry made while it lives, as "<kind> <text>".
class TLogCapture {
public:
    TLogCapture() {
        id_ = AddLogSink([this](int kind, const std::string& text) {
            std::lock_guard lock(mutex_);
            lines_.push_back(std::to_string(kind) + " " + text);
        });
    }
    ~TLogCapture() { RemoveLogSink(id_); }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    int id_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace hostaq::test
