#pragma once
// A click's finding in words, as vantorel pick prints it and the window's status bar shows it:
// `picked: NODE (TYPE), handle H` or `picked: background`, then `, on the control of NODE
// (TYPE)` when a node's control drew the pixel; a second line `main input of NODE: I "PORT"
// (INPUT)` when a node chose its main input from the click. Each line ends with a newline.
#include <QString>

#include "SessionTypes.h"

QString pickReport(const PickResult& hit);
