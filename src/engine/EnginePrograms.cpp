#include "engine/Engine.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "engine/ServU.h"
#include "net/MailTemplate.h"

#include <algorithm>

namespace hostaq {

void TEngine::LoadProgramLists() {
    runList_ = ReadProgramList(ConfigPath(), RunSection, true);
    discRunList_ = ReadProgramList(ConfigPath(), DisconnectRunSection, false);
}

void TEngine::RunServUUpdate() {
    if (!ReadBool(Keys::UpdateServU))
        return;
    const std::string location = ReadString(Keys::ServUIniLoc);
    if (!location.empty())
        UpdateServUAddress(location, currentAddress_);
}

int TEngine::ListCount(bool connected) const {
    return static_cast<int>(connected ? runList_.size() : discRunList_.size());
}

void TEngine::LaunchPrograms(bool connected) {
    if (connected) {
        RunServUUpdate();
        if (!ReadBool(Keys::RunPrograms))
            return;
    } else if (!ReadBool(Keys::DiscRunPrograms)) {
        return;
    }
    if (ListCount(connected) == 0)
        return;
    StartListTimer(connected);
}

bool TEngine::ProgramsPending() const {
    return (TimerRunProgram.Enabled() && runPosition_ < runList_.size()) ||
           (TimerDiscRunProgram.Enabled() && discRunPosition_ < discRunList_.size());
}

// A trigger while the list is still being worked through starts it again from its first program.
void TEngine::StartListTimer(bool connected) {
    TTimer& timer = connected ? TimerRunProgram : TimerDiscRunProgram;
    (connected ? runPosition_ : discRunPosition_) = 0;
    const int delay = std::clamp(ReadInteger(connected ? Keys::Delay : Keys::DisconnectDelay), 1, 300);
    timer.SetEnabled(false);
    timer.SetInterval(delay * 1000);
    timer.SetEnabled(true);
}

void TEngine::RunListTimer(bool connected) {
    const std::size_t position = connected ? runPosition_ : discRunPosition_;
    if (position >= static_cast<std::size_t>(ListCount(connected))) {
        (connected ? TimerRunProgram : TimerDiscRunProgram).SetEnabled(false);
        if (connected)
            updatedAddressChanged_ = false;
        return;
    }
    RunNextProgram(connected);
}

void TEngine::RunNextProgram(bool connected) {
    const std::vector<TProgramEntry> list = connected ? runList_ : discRunList_;
    std::size_t& position = connected ? runPosition_ : discRunPosition_;
    if (position >= list.size())
        return;
    const TProgramEntry entry = list[position];
    ++position;
    const TProgramCommand command = SplitProgramCommand(entry.CommandLine, ProgramFileExists);
    if (!entry.Enabled || !ProgramFileExists(command.Program))
        return;
    if (connected && entry.OnlyWhenIPChanges && !updatedAddressChanged_)
        return;
    // The parameters are split first and each argument expanded on its own, so an address (or
    // any other placeholder text) can never become a further argument or a command.
    std::vector<std::string> arguments;
    for (const std::string& argument : SplitArguments(command.Parameters)) {
        std::string expanded = ExpandMailTemplate(argument, currentAddress_, updatedAddress_);
        // A placeholder that expands to nothing leaves no argument behind, as it would leave
        // no text in the trimmed parameter line.
        if (expanded.empty() && !argument.empty())
            continue;
        arguments.push_back(std::move(expanded));
    }
    services_.Launcher->Launch(command.Program, arguments);
}

} // namespace hostaq
