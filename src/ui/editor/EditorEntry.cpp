#include "ui/editor/EditorEntry.h"

#include "ui/common/Prompt.h"
#include "ui/editor/AccountLogic.h"
#include "ui/editor/FormAccount.h"
#include "ui/editor/FormAskAccName.h"

namespace hostaq {

std::optional<std::string> AskGroupName(QWidget* parent) {
    for (;;) {
        TFormAskAccName ask(parent);
        if (ask.exec() != QDialog::Accepted)
            return std::nullopt;
        const std::string name = ask.Name().trimmed().toStdString();
        if (name.empty())
            return std::nullopt;
        const std::string problem = CheckGroupName(name);
        if (problem.empty())
            return name;
        TPrompt::Error(parent, QString::fromStdString(problem));
    }
}

std::optional<std::string> ExecGroupEditor(QWidget* parent, const std::string& groupName) {
    TFormAccount form(parent, groupName);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.WrittenNames().isEmpty() ? groupName : form.WrittenNames().front().toStdString();
}

} // namespace hostaq
