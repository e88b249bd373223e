#pragma once

#include <QIcon>

// The main window's image list: icons by the index the actions and list
// headers refer to (22 ascending and 23 descending sort marks among them).
namespace ImageList {

QIcon icon(int index);

constexpr int SortAscending = 22;
constexpr int SortDescending = 23;

} // namespace ImageList
