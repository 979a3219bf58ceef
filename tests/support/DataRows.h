#pragma once

#include "support/Rows.h"

#include <QVariant>
#include <optional>

// Row-at-a-time companions to Rows.h, for tables whose rows are one line each.

// Declares the columns as columns() does and returns row(name, values...),
// which adds one named row, each value taken as its column's type:
//   const auto row = dataTable<QString, bool>({ "name", "refused" });
//   row("device name", "con.txt", true);
template<typename... Types> auto dataTable(const std::array<const char *, sizeof...(Types)> &names)
{
    columns<Types...>(names);
    return [](const char *name, const Types &...values) { (QTest::newRow(name) << ... << values); };
}

// The current row's value in one column, as fetch() gives it.
template<typename Type> Type cell(const char *column)
{
    return std::get<0>(fetch<Type>(column));
}

// An optional result as one column: no value is the null QVariant, none.
inline const QVariant none;
template<typename Type> QVariant optionalColumn(const std::optional<Type> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}
