#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// The process-wide configuration path, set once at start-up.
const std::string& ConfigPath();
void SetConfigPath(const std::string& path);

// The provider edition flag (Options/IsHostaq), read once at start-up.
bool IsHostaqEdition();
void SetHostaqEdition(bool value);

// The running program's own file (/proc/self/exe).
std::string ProgramPath();
// The per-user folder "$XDG_CONFIG_HOME/Vemo Solution/Hostaq Updater" (default ~/.config).
std::string UserDataFolder();

// The configuration file named on the command line: the first argument that does not begin with
// "-" and is not a service switch ("install", "/install", "\uninstall" ..., any case). An
// absolute path or a path with a folder is taken as it stands; a bare name gets the program's
// folder in front. Its extension is replaced by (or given) ".ini". Empty when there is no such
// argument.
std::string CommandLineCandidate(const std::vector<std::string>& args, const std::string& programPath);

// Finds the configuration file. A CONFIG named with a folder (absolute or relative) is the
// file, full stop: when the write probe refuses it, nothing is created or written, ConfigPath()
// is that file, ConfigLocateError() says "cannot use PATH: REASON" and the result is false; the
// program must end. Otherwise the search of the original design, with one rule: a file beside
// the program (the bare CONFIG name, then the program's name) is a candidate only when it exists
// or the program's folder belongs to the running user, who is not root (a portable copy); a
// program installed in a system folder never gets a file put beside it. Last comes the per-user
// file (its folders created one level at a time). When none passes, message 10449 is reported
// and the per-user candidate is used. When a candidate passed, runs the located hooks and reads
// the edition flag. Returns true when a writable candidate was found.
bool LocateConfigFile(const std::vector<std::string>& args, const std::string& programPath);
// Why the CONFIG named on the command line cannot be used; empty when it can or none was named.
const std::string& ConfigLocateError();
// A command refused before any work leaves no file behind: removes the configuration file when
// LocateConfigFile's write probe made it and it is still empty.
void RemoveConfigMadeForNothing();
// True when the CONFIG argument names a folder too, so that no search applies.
bool IsNamedExplicitly(const std::vector<std::string>& args);

// Work done once the configuration file is known (the logging layer works out its file name
// here). Hooks run in the order they were added. Returns an id for RemoveConfigLocatedHook.
int AddConfigLocatedHook(std::function<void(const std::string& path)> hook);
void RemoveConfigLocatedHook(int id);

} // namespace hostaq
