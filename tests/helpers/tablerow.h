#ifndef TABLEROW_H
#define TABLEROW_H

#include <QTest>

// One row of a data table, its values in column order; string literals fill
// QString columns, so every number must have its column's exact type.
template <class... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}

// A table whose one column holds a whole case: `const Table<Case> add("c");`,
// then `add("name", {...});` per row and `QFETCH(Case, c);` in the test.
template <class Case> class Table
{
public:
    explicit Table(const char *column) { QTest::addColumn<Case>(column); }
    void operator()(const char *name, const Case &c) const { QTest::newRow(name) << c; }
};

#endif // TABLEROW_H
