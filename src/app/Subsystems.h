#pragma once
// Where the subsystems attach their commands to the main window: the one place that knows every
// subsystem. The program entry calls installSubsystems() once, after the window is built and its
// databases are connected, and before FormShow.
//
// Each subsystem adds one line calling its own install function, for example
// orv::calls::installCallViews(window). That function connects and enables its commands with
// window.connectCommand(ui::Command::DropCity, ...), creates the secondary windows it needs once
// as children of window.widget() (which then owns them), and may add FormShow steps with
// window.addShowStep(). Commands no line installs stay disabled.

namespace orv::ui {
class MainWindowHost;
}

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window);

}  // namespace orv::app
