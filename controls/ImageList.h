#pragma once

#include <QIcon>

// The main window's image list: the pictures the actions, buttons and list
// headers refer to by number. Numbers without a picture give an empty icon.
namespace ImageList {

constexpr int Count = 33;

constexpr int SortAscending = 22;
constexpr int SortDescending = 23;

QIcon icon(int index);

// Whether a number is one of the greyed pictures actions show while disabled.
bool isDisabledImage(int index);

} // namespace ImageList
