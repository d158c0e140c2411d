#pragma once
// What the selection panel of the main window holds, without any widget: the check states and
// the raw texts of its masked edits, so that the routine turning them into statement parameters
// can be written and tested apart from the window. A masked edit's text keeps its literals and
// shows a blank for every position left empty: "05.03.2001", "  .  .    ", "22:00", "1234   ".
//
// The program reads and writes dates as dd.mm.yyyy and times as hh:mm:ss whatever the locale
// says; the functions below are the one place where that is done. A text that is no date or
// time raises Error(Conversion) with the message the operator sees.

#include <QDate>
#include <QString>
#include <QTime>

namespace orv::core {

struct SelectionPanel {
    bool byList = false;  // CheckBox1 "По списку"
    QString list;         // ComboBoxList: the name of the chosen list

    bool byDate = false;  // CheckBoxByDate "По дате"
    QString dateFrom;     // MaskEditDF, "dd.mm.yyyy"
    QString dateTo;       // MaskEditDT

    bool byTime = false;  // CheckBoxByTime "По времени"
    QString timeFrom;     // MaskEditTF, "hh:mm"
    QString timeTo;       // MaskEditTT

    bool byNumber = false;  // CheckBoxByNumber "По номеру"
    QString numberFrom;     // MaskEditNumberFrom, up to 7 digits
    QString numberTo;       // MaskEditNumberTo
};

// Day, month and year separated by '.', blanks around each part allowed ("05.03.2001",
// " 5. 3.2001"); the year has four digits. Otherwise Error(Conversion) "'<text>' не дата
// ДД.ММ.ГГГГ".
QDate dateFromText(const QString& text);
// Hours and minutes, optionally seconds, separated by ':' ("22:00", "6:30:15"), blanks around
// each part allowed. Otherwise Error(Conversion) "'<text>' не время ЧЧ:ММ:СС".
QTime timeFromText(const QString& text);

QString dateText(const QDate& date);  // "05.03.2001"; empty for an invalid date
QString timeText(const QTime& time);  // "22:00:00"; empty for an invalid time

}  // namespace orv::core
