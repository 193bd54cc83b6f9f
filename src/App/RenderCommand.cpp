#include <QCommandLineParser>
#include <QFileInfo>
#include <cmath>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneLoading.h"


int Commands::render(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("frame"), QStringLiteral("Frame to draw"), QStringLiteral("F")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("OUT.svg or OUT.png"),
                    QStringLiteral("OUT")});
  parser.addOption({QStringLiteral("pick"), QStringLiteral("Draw the picking image (pick colours only)")});
  parser.addOption({QStringLiteral("view"), QStringLiteral("camera, top or side (default camera)"),
                    QStringLiteral("VIEW"), QStringLiteral("camera")});
  parser.addOption({QStringLiteral("size"), QStringLiteral("Image size in pixels (default 960 wide, scene aspect)"),
                    QStringLiteral("WxH")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel render")} + args))
    throw CliError(QStringLiteral("render: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("render: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("frame")))
    throw CliError(QStringLiteral("render: --frame F is required"));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("render: -o OUT.svg|OUT.png is required"));

  const double frame = CliParsing::frame(QStringLiteral("render"), parser.value(QStringLiteral("frame")));
  const QString out = parser.value(QStringLiteral("o"));
  const QString suffix = QFileInfo(out).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    throw CliError(QStringLiteral("render: %1: the output must end in .png or .svg").arg(out));
  VU_SceneRenderer::View view;
  if (!VU_SceneRenderer::parseView(parser.value(QStringLiteral("view")), view))
    throw CliError(QStringLiteral("render: --view must be camera, top or side, not \"%1\"")
                       .arg(parser.value(QStringLiteral("view"))));
  const bool sizeGiven = parser.isSet(QStringLiteral("size"));
  const QSize givenSize = sizeGiven ? CliParsing::size(QStringLiteral("render"), parser.value(QStringLiteral("size"))) : QSize();

  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(positional.front());
  const QSize size = sizeGiven ? givenSize : VU_SceneRenderer::defaultSize(*scene);
  const int mode = parser.isSet(QStringLiteral("pick")) ? MO_OGLContext::ePickingMode : MO_OGLContext::eNormalMode;
  QString why;
  if (!VU_SceneRenderer(*scene).save(out, frame, view, size, mode, &why))
    throw CliError(QStringLiteral("render: ") + why);
  return 0;
}
