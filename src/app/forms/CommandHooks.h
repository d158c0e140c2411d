#pragma once
// Where the subsystems attach their commands to the main window. TForm1's constructor calls
// installCommands() once, after the window is built and its databases are connected.
//
// Each subsystem adds one line to installCommands() calling its own install function, for
// example orv::calls::installCallViews(window). That function connects and enables its
// commands with window.connectCommand("DropCity", ...), creates the secondary windows it needs
// once as children of the window (which then owns them), and may add FormShow steps with
// window.addShowStep(). Commands no line installs stay disabled.

namespace orv::app {

class TForm1;

void installCommands(TForm1& window);

}  // namespace orv::app
