#pragma once
// The statements of the debt run and of the debt and payment views, word for word as the program
// runs them in the local SQL dialect.
// Each function returns the statement text, lines joined with "\n".

#include <QString>

namespace orv::billing::sql {

const QString& QueryAbsMinDate();
const QString& QueryDolgCT();
const QString& QueryDolgMG();
const QString& QueryDolgRes();
const QString& QueryDolgDistRes();
const QString& QueryDeleteNumberFromDT();
const QString& QueryDolgDelete();
// Run through the general statement Query2 at the start of the debt run.
const QString& QueryEmptyPrDlgCT();
// Run through the general statement Query2 at the start of the debt run.
const QString& QueryEmptyPrDlgMG();
const QString& QueryDolg();
const QString& QueryShowPane();

}  // namespace orv::billing::sql
