// The main window with every subsystem of this build wired to it: each declared command is
// connected, except those whose subsystem is not in the build yet.

#include "GuiTestSupport.h"
#include "app/Subsystems.h"

#include <algorithm>
#include <iterator>

using namespace orv;

namespace {

class SubsystemsTest : public test::WindowTest {};

// The commands no subsystem of this build connects; a line goes when its subsystem comes.
constexpr ui::Command kNotInTheBuild[] = {
    ui::Command::N8,
    ui::Command::N9,
};

TEST_F(SubsystemsTest, EveryCommandIsConnectedUnlessItsSubsystemIsNotInTheBuild) {
    auto window = makeWindow();
    app::installSubsystems(*window);
    QList<ui::Command> expected;
    for (const ui::CommandSpec& spec : ui::commandTable())
        if (std::find(std::begin(kNotInTheBuild), std::end(kNotInTheBuild), spec.id) ==
            std::end(kNotInTheBuild))
            expected.append(spec.id);
    const QList<ui::Command> connected = test::connectedCommands(*window);
    QStringList missing;
    for (ui::Command command : expected)
        if (!connected.contains(command)) missing.append(ui::commandName(command));
    QStringList extra;
    for (ui::Command command : connected)
        if (!expected.contains(command)) extra.append(ui::commandName(command));
    EXPECT_TRUE(missing.isEmpty()) << "not connected: " << missing.join(u' ').toStdString();
    EXPECT_TRUE(extra.isEmpty()) << "connected, drop from kNotInTheBuild: "
                                 << extra.join(u' ').toStdString();
}

}  // namespace
