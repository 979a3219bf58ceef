#pragma once

#include <QTest>
#include <array>
#include <tuple>

// Table-test plumbing, one line where Qt Test spells it out per column.

// Adds one column per name, of the types given, in order:
//   columns<QString, bool>({ "name", "refused" });
template<typename... Types> void columns(const std::array<const char *, sizeof...(Types)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<Types>(names[i++]), ...);
}

// The current row's values of the named columns, as QFETCH would give them:
//   const auto [name, style] = fetch<QString, PathStyle>("name", "style");
template<typename... Types, typename... Names> std::tuple<Types...> fetch(Names... names)
{
    return { *static_cast<Types *>(QTest::qData(names, qMetaTypeId<Types>()))... };
}
