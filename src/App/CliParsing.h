#pragma once
// Values the commands read from their options, each refused with a CliError that names the
// command and the option: frames (finite numbers), frame ranges (A or A-B), sizes (WxH pixels)
// and view points (X,Y).
#include <QSize>
#include <QString>

#include "BaseCore/Point2d.h"
#include "FrameRange.h"

namespace CliParsing {
double frame(const QString& command, const QString& text);
FrameRange frames(const QString& command, const QString& text);
QSize size(const QString& command, const QString& text);
Math::Point2d point(const QString& command, const QString& option, const QString& text);
int integer(const QString& command, const QString& option, const QString& text);
} // namespace CliParsing
