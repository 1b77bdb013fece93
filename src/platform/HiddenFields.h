#pragma once

#include <QString>
#include <QStringList>

// The text of a hidden multi-line field that only the program reads and writes.
// It is never shown, so it holds its text as a plain string: the listing of a
// large folder is appended and scanned without a text document behind it.
class HiddenTextField {
public:
    const QString& text() const { return content; }
    void setText(const QString& text) { content = text; }
    void append(const QString& more) { content.append(more); }

private:
    QString content;
};

// A hidden list that only the program fills and reads.
class HiddenList {
public:
    void Clear() { items.clear(); }
    void AddItem(const QString& item) { items.append(item); }
    int ListCount() const { return int(items.size()); }
    QString List(int index) const { return items.value(index); }

private:
    QStringList items;
};
