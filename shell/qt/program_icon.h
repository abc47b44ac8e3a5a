#pragma once
// The program icon at every size it is drawn in, from the pictures embedded in the program.

#include <QIcon>

QIcon programIcon();
