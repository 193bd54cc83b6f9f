#pragma once
// Values the commands read from their options, each refused with a CliError that names the
// command and the option: frames (finite numbers), frame ranges (A or A-B), sizes (WxH pixels)
// and view points (X,Y), and the threads to evaluate on (--jobs N).
#include <QCommandLineParser>
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
// --jobs N, declared alike by every command that evaluates many frames.
void addJobsOption(QCommandLineParser& parser);
// Its value, a whole number from 1 to ParallelEvaluator::kMaxJobs; without it, the machine's cores.
int jobs(const QString& command, const QCommandLineParser& parser);
} // namespace CliParsing
