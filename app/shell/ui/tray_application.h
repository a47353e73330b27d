// The desktop program: the tray readout, the main window, settings, About and update checks,
// on the Qt event loop. Runs until the user quits; closing windows does not.
#pragma once

namespace lopewell {

int runTrayApplication(int argc, char** argv);

}  // namespace lopewell
