#pragma once
// The statements of the call views and the two pricing pipelines, word for word as the program
// runs them in the local SQL dialect.
// Each function returns the statement text, lines joined with "\n".

#include <QString>

namespace orv::calls::sql {

const QString& QueryAll();
const QString& QueryCity();
const QString& QueryMG();
const QString& QueryCityGroup1();
const QString& QueryCityGroupMax();
const QString& QueryCityGroup2();
const QString& QueryCityGroup3();
const QString& QueryMGGroup1();
const QString& QueryMGGroupMax();
const QString& QueryMGGroup2();
const QString& QueryMGGroup3();
const QString& QueryAllGroup1();
const QString& QueryAllGroup2();
const QString& QueryOldMG();
// The archive selection of the debt run: old long-distance calls of one number.
const QString& QuerySelectOldMG();

// The date steps as the pipelines run them. Each gives the same rows as the statement above it
// (QueryCityGroupMax, QueryMGGroupMax), without forming calls x tariff rows: the latest tariff
// DATA not after the call's date is looked up once per distinct call, through the tariff's
// index on DATA (city) or on TRF, DATA (long-distance). A call older than every eligible tariff
// row gets no row, as in the grouped form.
const QString& QueryCityGroupMaxLatest();
const QString& QueryMGGroupMaxLatest();

}  // namespace orv::calls::sql
