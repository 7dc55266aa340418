#pragma once

#include <optional>
#include <string>

class QWidget;

namespace hostaq {

// Asks for the name of a new group; nothing when the user cancelled. The name is one the file
// can hold (the prompt refuses others with a message).
std::optional<std::string> AskGroupName(QWidget* parent);

// The group editor for one group; a name with no section yet starts a new group. After OK, the
// name the group has now (the first name written, or the name itself when nothing changed);
// nothing after Cancel.
std::optional<std::string> ExecGroupEditor(QWidget* parent, const std::string& groupName);

} // namespace hostaq
