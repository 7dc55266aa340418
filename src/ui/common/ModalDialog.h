#pragma once

#include <QString>
#include <functional>

class QDialog;
class QDialogButtonBox;
class QWidget;

namespace hostaq {

// Runs a dialog modally and returns its result (QDialog::Accepted or Rejected). Tests install a
// handler instead: it receives the dialog (found by its object name), may fill it and press its
// buttons, and returns the result; nothing is shown.
int ExecModal(QDialog& dialog);

// The file dialog "open one file"; empty when the user cancelled. In test mode the next queued
// name is returned (empty when none is queued).
QString AskOpenFileName(QWidget* parent, const QString& title, const QString& current, const QString& filter);

// The OK (default) and Cancel buttons a small dialog ends with, from the message table, named
// ButtonOK and ButtonCancel and wired to the dialog's accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// ---- test seam
using TModalHandler = std::function<int(QDialog& dialog)>;
// Installs the handler (an empty one restores exec()); returns the previous one.
TModalHandler SetModalHandler(TModalHandler handler);
void QueueOpenFileName(const QString& name);
void ResetOpenFileNames();

} // namespace hostaq
