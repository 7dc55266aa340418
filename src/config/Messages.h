#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace hostaq {

// The message table: texts 10001 to 10999 (10001 to 10449 those of the original design, the
// rest the program's own additions). The program's own texts are compiled in from Messages.txt;
// a language file HostaqLang.ini in the current folder (section "Messages", keys "10001" ...
// "10999") replaces all of them, and a message it lacks is then empty.
inline constexpr int MsgFirst = 10001;
inline constexpr int MsgLast = 10999;

inline constexpr int MsgCannotCreateIni = 10449;
inline constexpr int MsgUnableToWrite = 10437;
inline constexpr int MsgCannotCreateDataFolder = 10438;

// The text of a message; empty for an identifier outside the table.
std::string Msg(int id);

// Fills the table: from the language file when it exists, else from the program's own texts.
// Returns true when the language file was used.
bool LoadMessages(const std::string& languageFile = "HostaqLang.ini");
// Restores the program's own texts.
void ResetMessages();

// Replaces %s and %d in order with args; "%%" gives "%". Missing arguments give empty text.
std::string FormatText(std::string_view format, std::initializer_list<std::string> args);
inline std::string FormatMsg(int id, std::initializer_list<std::string> args) {
    return FormatText(Msg(id), args);
}

} // namespace hostaq
