#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace hostaq {

// The message table: texts 10001 to 10449, and the later texts 10500 to 10799. The program's own
// texts are compiled in from Messages.txt; a language file HostaqLang.ini in the current folder
// (section "Messages", keys "10001" ... "10449") replaces all of the first range, and a message
// it lacks is then empty. A later text it lacks keeps the program's own, so a translation made
// before that text existed shows it rather than a blank.
inline constexpr int MsgFirst = 10001;
inline constexpr int MsgLast = 10449;
inline constexpr int MsgLaterFirst = 10500;
inline constexpr int MsgLaterLast = 10799;

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
