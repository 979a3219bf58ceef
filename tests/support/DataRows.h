#pragma once

#include <QTest>
#include <QVariant>
#include <array>
#include <optional>

// Declares the columns of a _data() table, their types and names in order, and
// returns row(name, values...), which adds one named row of that table.
template<class... Columns> auto dataTable(const std::array<const char *, sizeof...(Columns)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<Columns>(names[i++]), ...);
    return
        [](const char *name, const Columns &...values) { (QTest::newRow(name) << ... << values); };
}

// The current row's value in the named column, as QFETCH reads it.
template<class T> T cell(const char *column)
{
    return *static_cast<T *>(QTest::qData(column, qMetaTypeId<T>()));
}

// An optional result as one column: no value is the null QVariant, none.
inline const QVariant none;
template<class T> QVariant optionalColumn(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}
