#pragma once

class QWidget;

namespace hostaq {

class TEngine;

// Shows the settings dialog modally over parent; true when it was left with OK (everything it
// holds is saved). The caller pauses the engine before and reloads or refreshes it after.
bool ExecSettingsDialog(QWidget* parent, TEngine& engine);

} // namespace hostaq
