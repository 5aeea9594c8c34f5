#pragma once
// A small event folder for the window tests, and helpers to read the lists back.
#include "Clock.h"
#include "TestSupport.h"

#include <QListWidget>
#include <QStringList>

#include <string>
#include <vector>

namespace quilo::test {

// The window tests' event: two classes, four runners, an absence and two card reads.
inline EventFiles WindowEventFiles() {
    return {.course = {"**:M21", "1:31", "2:32", "3:33", "99:100", "**:W21", "1:31", "2:33", "99:100"},
            .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "12346,M21,10:02:00,102,鈴木一郎,2,大阪OLC",
                          "12347,M21,10:04:00,103,高橋三郎,3,京都OLC", "22345,W21,10:01:00,201,佐藤花子,1,東京OLC"},
            .changes = {"欠席/12347"},
            .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
                          "1,2,3,4,5,(22345),31,0:12:00,33,0:22:00,100,0:40:00"}};
}

inline void WriteEvent(const TempDir& dir) { WriteEventFiles(dir, WindowEventFiles()); }

inline QStringList Texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

inline QStringList Texts(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines) out << QString::fromStdString(l);
    return out;
}

template <class Line>
QStringList LineTexts(const std::vector<Line>& lines) {
    QStringList out;
    for (const auto& l : lines) out << QString::fromStdString(l.text);
    return out;
}

inline int RowOf(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return i;
    return -1;
}

inline int RowWithData(const QListWidget* list, int itemData) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toInt() == itemData) return i;
    return -1;
}

// The first line the list shows at its top.
inline int FirstVisibleRow(const QListWidget* list) { return list->indexAt(QPoint(2, 2)).row(); }

} // namespace quilo::test
