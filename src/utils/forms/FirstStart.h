#pragma once
// The first start on a new folder: when the tables of OrvantaStandard are empty, the program
// asks "Заполнить примером станции?". "Да" fills the demo exchange (the same as orvanta-cli demo)
// on a worker and shows all calls; "Загрузить разговоры…" opens the loading of exchange records;
// "Нет" leaves the folder as it is. Nothing is asked when any of the tables holds rows.

namespace orv::ui {
class MainWindowHost;
}

namespace orv::utils {

// Asks the question when the tables are empty; returns whether it was asked.
bool offerFirstData(ui::MainWindowHost& window);

}  // namespace orv::utils
