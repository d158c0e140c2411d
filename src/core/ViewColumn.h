#pragma once
// One column of a view as the main grid shows it: the result field, its title, and how its
// values are shown. The grid model formats by it; the CLI writes the titles as its CSV header.

#include <QString>

namespace orv::core {

struct ViewColumn {
    enum class Display {
        Plain,      // as the value's type says: numbers right-aligned, text left
        Money,      // currency format, right-aligned
        Date,       // dd.mm.yyyy
        Time,       // hh:mm:ss
        RightText,  // text, right-aligned
        RightDate,  // dd.mm.yyyy, right-aligned
    };

    QString field;  // field name of the result, any case
    QString title;  // column heading
    Display display = Display::Plain;
};

}  // namespace orv::core
