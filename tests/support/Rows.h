#pragma once

#include <QList>
#include <QTest>

// A QtTest table of one column, "row": each row a struct named by its field
// "name" (the struct is declared a metatype with Q_DECLARE_METATYPE).
template <typename Row>
void addRows(const QList<Row>& rows)
{
    QTest::addColumn<Row>("row");
    for (const Row& row : rows)
        QTest::newRow(row.name) << row;
}
