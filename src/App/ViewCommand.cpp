// vantorel view: the scene in a window (the viewport, the node view, the timeline, the attribute
// panel and the undo history). The scene is read before any window opens, so a bad scene is
// reported as every command reports it; so is a missing display. The window itself is in a
// library loaded here, the one command that needs Qt Widgets.
#include <dlfcn.h>

#include <QCommandLineParser>
#include <cmath>
#include <stdexcept>
#include <string>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "Session.h"
#include "WindowEntry.h"

namespace {

// The window library's entry; loaded once and never unloaded (Qt keeps pointers into it). It
// lies beside the session library, wherever that was found (a sanitizer's own dlopen would not
// search vantorel's run path for a bare name).
int (*windowEntry())(WindowStart*) {
  Dl_info session{};
  std::string path = WindowStart::kLibrary;
  if (dladdr(reinterpret_cast<void*>(&Session::open), &session) && session.dli_fname) {
    const std::string beside = session.dli_fname;
    const std::size_t slash = beside.rfind('/');
    if (slash != std::string::npos)
      path = beside.substr(0, slash + 1) + path;
  }
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library)
    throw std::runtime_error(std::string("the window library could not be loaded: ") + dlerror());
  void* entry = dlsym(library, WindowStart::kEntry);
  if (!entry)
    throw std::runtime_error(std::string("the window library has no ") + WindowStart::kEntry);
  return reinterpret_cast<int (*)(WindowStart*)>(entry);
}

} // namespace

int Commands::view(const QStringList& args, int& argc, char** argv) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption(
      {QStringLiteral("frame"), QStringLiteral("Frame shown first (default: the scene's first)"), QStringLiteral("F")});
  parser.addOption({QStringLiteral("view"), QStringLiteral("camera, top or side (default camera)"),
                    QStringLiteral("VIEW"), QStringLiteral("camera")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel view")} + args))
    throw CliError(QStringLiteral("view: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("view: expected one scene file, got %1").arg(positional.size()));
  VU_SceneRenderer::View view;
  if (!VU_SceneRenderer::parseView(parser.value(QStringLiteral("view")), view))
    throw CliError(QStringLiteral("view: --view must be camera, top or side, not \"%1\"")
                       .arg(parser.value(QStringLiteral("view"))));
  std::optional<double> frame;
  if (parser.isSet(QStringLiteral("frame"))) {
    frame = CliParsing::frame(QStringLiteral("view"), parser.value(QStringLiteral("frame")));
    if (*frame != std::floor(*frame))
      throw CliError(QStringLiteral("view: --frame must be a whole frame, not %1").arg(*frame));
  }
  std::unique_ptr<Session> session = Session::open(positional.front());
  if (frame)
    session->setCurrentFrame(*frame);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    throw CliError(QStringLiteral("view: no display to open the window on (DISPLAY is not set; "
                                  "QT_QPA_PLATFORM=offscreen runs it without one)"));

  WindowStart start;
  start.argc = &argc;
  start.argv = argv;
  start.session = std::move(session);
  start.view = view;
  return windowEntry()(&start);
}
