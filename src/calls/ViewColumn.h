#pragma once
// One column of a view as the main grid shows it: the result field, its title, and how its
// values are shown. The windows turn these into the grid's columns; the CLI writes the titles as
// its CSV header.

#include <QList>
#include <QString>

namespace orv::calls {

struct ViewColumn {
    enum class Display {
        Plain,      // as the value's type says: numbers right-aligned, text left
        Money,      // currency format, right-aligned
        RightText,  // text, right-aligned
    };

    QString field;
    QString title;
    Display display = Display::Plain;
};

}  // namespace orv::calls
