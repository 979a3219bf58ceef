#pragma once

#include <QTest>
#include <QVariant>
#include <array>
#include <optional>
#include <tuple>

// Table-test plumbing, one line where Qt Test spells it out per column.

// Declares the columns and returns row(name, values...), which adds one named
// row, each value taken as its column's type:
//   const auto row = dataTable<QString, bool>({ "name", "refused" });
//   row("device name", "con.txt", true);
template<typename... Types> auto dataTable(const std::array<const char *, sizeof...(Types)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<Types>(names[i++]), ...);
    return [](const char *name, const Types &...values) { (QTest::newRow(name) << ... << values); };
}

// The current row's values of the named columns, as QFETCH gives them:
//   const auto [name, style] = fetch<QString, PathStyle>("name", "style");
template<typename... Types, typename... Names> std::tuple<Types...> fetch(Names... names)
{
    return { *static_cast<Types *>(QTest::qData(names, qMetaTypeId<Types>()))... };
}

// The current row's value in one column.
template<typename Type> Type cell(const char *column)
{
    return std::get<0>(fetch<Type>(column));
}

// An optional result as one column: no value is the null QVariant, noValue.
inline const QVariant noValue;
template<typename Type> QVariant optionalColumn(const std::optional<Type> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}
