// Stands in for the group editor until it is built.
#include "ui/common/Prompt.h"
#include "ui/editor/EditorEntry.h"

namespace hostaq {

std::optional<std::string> AskGroupName(QWidget* parent) {
    TPrompt::Information(parent, QStringLiteral("The group editor is not available in this version yet."));
    return std::nullopt;
}

bool ExecGroupEditor(QWidget* parent, const std::string&) {
    TPrompt::Information(parent, QStringLiteral("The group editor is not available in this version yet."));
    return false;
}

} // namespace hostaq
