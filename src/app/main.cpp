// Orvanta, the desktop program: the main window TForm1 over the aliases OrvantaStandard and
// OrvantaEveryday.
//
//   orvanta [--alias NAME=DIR]... [--today DD.MM.YYYY]
//
// A start-up that fails (an alias folder that cannot be reached, a damaged settings value, a
// malformed option) shows its message in a box and ends with exit code 1 (2 for the options).

#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "ui/ErrorBox.h"
#include "ui/QtTranslations.h"
#include "ui/ScreenFit.h"
#include "utils/forms/FirstStart.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <memory>

namespace {

using orv::Error;

// Reads the options into the aliases and the clock; throws Error(Usage) when malformed.
void applyOptions(const QApplication& app, orv::db::Aliases& aliases) {
    QCommandLineParser parser;
    const QCommandLineOption alias(QStringLiteral("alias"),
                                   QStringLiteral("Привязать псевдоним к папке на этот запуск."),
                                   QStringLiteral("ИМЯ=ПАПКА"));
    const QCommandLineOption today(QStringLiteral("today"),
                                   QStringLiteral("Считать сегодняшней датой."),
                                   QStringLiteral("ДД.ММ.ГГГГ"));
    parser.addOption(alias);
    parser.addOption(today);
    if (!parser.parse(app.arguments())) orv::raise(Error::Kind::Usage, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        orv::raise(Error::Kind::Usage, QStringLiteral("Лишние параметры: ") +
                                           parser.positionalArguments().join(QLatin1Char(' ')));
    for (const QString& binding : parser.values(alias)) aliases.bindForRun(binding);
    if (parser.isSet(today)) orv::setTodayFromOption(parser.value(today));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tariff"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    orv::ui::installQtTranslations(app);
    orv::ui::installScreenFit(app);

    // The data outlives the window, whose children hold statements on its databases.
    std::unique_ptr<orv::app::ProgramData> data;
    std::unique_ptr<orv::app::TForm1> form1;
    try {
        orv::db::Aliases aliases;
        applyOptions(app, aliases);
        data = std::make_unique<orv::app::ProgramData>(aliases);
        form1 = std::make_unique<orv::app::TForm1>(*data);
        orv::app::installSubsystems(*form1);
        form1->FormShow();
    } catch (const Error& e) {
        orv::ui::showErrorBox(nullptr, e.message());
        return e.kind() == Error::Kind::Usage ? 2 : 1;
    }
    form1->showMaximized();
    QTimer::singleShot(0, form1.get(), [&form1] {
        form1->runCommand([&form1] { orv::utils::offerFirstData(*form1); });
    });
    return QApplication::exec();
}
