#pragma once

#include <QStringList>
#include <functional>

namespace hostaq {

// Runs a program as root through pkexec without blocking the window: done gets the exit status
// (-1 when pkexec is missing or could not be started) and what the program printed, on the GUI
// thread once the program has ended.
using TElevatedDone = std::function<void(int status, const QString& output)>;
using TElevatedRunner = std::function<void(const QStringList& arguments, TElevatedDone done)>;
void RunWithPkexec(const QStringList& arguments, TElevatedDone done);

} // namespace hostaq
