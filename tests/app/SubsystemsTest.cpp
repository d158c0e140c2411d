// The main window with every subsystem wired to it: each declared command is enabled and runs a
// handler of the window's.

#include "GuiTestSupport.h"
#include "app/Subsystems.h"

using namespace orv;

namespace {

class SubsystemsTest : public test::WindowTest {};

TEST_F(SubsystemsTest, EveryDeclaredCommandIsConnected) {
    auto window = makeWindow();
    app::installSubsystems(*window);
    const QList<ui::Command> connected = test::connectedCommands(*window);
    QStringList missing;
    for (const ui::CommandInfo& info : ui::commandTable())
        if (!connected.contains(info.id)) missing.append(ui::commandName(info.id));
    EXPECT_TRUE(missing.isEmpty()) << "not connected: " << missing.join(u' ').toStdString();
}

}  // namespace
