#pragma once
// Qt's raster engine hands long runs of pixels to the global thread pool and waits for them;
// on the two cores this window is made for, the hand-off costs more than the filling (a
// viewport redraw of the 100-node rig takes half as long without it, bench_view_redraw). The
// window paints on its own thread instead; what it paints is the same.
#include <QThreadPool>

inline void paintOnTheCallingThread() { QThreadPool::globalInstance()->setMaxThreadCount(0); }
