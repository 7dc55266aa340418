#pragma once

#include <optional>
#include <string>

class QWidget;

namespace hostaq {

// Asks for the name of a new group; nothing when the user cancelled. The name is one the file
// can hold (the prompt refuses others with a message).
std::optional<std::string> AskGroupName(QWidget* parent);

// The group editor for one group; a name with no section yet starts a new group. True when the
// group was saved.
bool ExecGroupEditor(QWidget* parent, const std::string& groupName);

} // namespace hostaq
