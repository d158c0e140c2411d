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

// The date steps as the pipelines run them. Over the table the select step before them writes,
// each gives the same rows as the statement above it (QueryCityGroupMax, QueryMGGroupMax)
// without forming calls x tariff rows: the latest tariff DATA not after the call's date (and of
// its zone) is looked up once per call through the tariff's index on DATA (city) or on TRF, DATA
// (long-distance), and taken from the tariff's distinct dates, so that a call older than every
// eligible tariff row gets no row. They need no grouping: the select step's rows are already
// distinct (each part of its UNION ALL is DISTINCT, and the parts differ in Priznak).
const QString& QueryCityGroupMaxLatest();
const QString& QueryMGGroupMaxLatest();

}  // namespace orv::calls::sql
