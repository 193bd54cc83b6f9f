// The render command's input checks: every bad argument is a CliError (exit status 2) and
// leaves no output file behind; a good one writes an image of the asked size.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "CliError.h"
#include "Commands.h"

namespace {

const QString kScene = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");

struct BadArgs {
  const char* name;
  QStringList args;  // OUT stands for the output path
  const char* outName;
};

class RenderRejects : public ::testing::TestWithParam<BadArgs> {};

TEST_P(RenderRejects, BadInputThrowsAndWritesNothing) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QString::fromLatin1(GetParam().outName));
  QStringList args = GetParam().args;
  args.replaceInStrings(QStringLiteral("OUT"), out);
  EXPECT_THROW(Commands::render(args), CliError);
  EXPECT_FALSE(QFile::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Render, RenderRejects,
    ::testing::Values(
        BadArgs{"extension", {kScene, "--frame", "1", "-o", "OUT"}, "arm.jpg"},
        BadArgs{"frameText", {kScene, "--frame", "one", "-o", "OUT"}, "arm.png"},
        BadArgs{"noFrame", {kScene, "-o", "OUT"}, "arm.png"},
        BadArgs{"sizeZero", {kScene, "--frame", "1", "-o", "OUT", "--size", "0x10"}, "arm.png"},
        BadArgs{"sizeHuge", {kScene, "--frame", "1", "-o", "OUT", "--size", "100000x10"}, "arm.png"},
        BadArgs{"view", {kScene, "--frame", "1", "-o", "OUT", "--view", "front"}, "arm.png"},
        BadArgs{"missingScene", {"/nonexistent/scene.xml", "--frame", "1", "-o", "OUT"}, "arm.png"},
        BadArgs{"unwritableDir", {kScene, "--frame", "1", "-o", "OUT"}, "no/such/dir/arm.png"}),
    [](const ::testing::TestParamInfo<BadArgs>& row) { return std::string(row.param.name); });

} // namespace

TEST(RenderCommand, WritesPngAndSvgOfTheAskedSize) {
  QTemporaryDir dir;
  const QString png = dir.filePath(QStringLiteral("arm.PNG"));
  EXPECT_EQ(Commands::render({kScene, "--frame", "12", "-o", png, "--size", "320x200", "--view", "side"}), 0);
  EXPECT_EQ(QImage(png).size(), QSize(320, 200));
  const QString picked = dir.filePath(QStringLiteral("pick.png"));
  EXPECT_EQ(Commands::render({kScene, "--frame", "12", "-o", picked, "--pick"}), 0);
  EXPECT_EQ(QImage(picked).size(), QSize(960, 540));  // 16:9 scene
  const QString svg = dir.filePath(QStringLiteral("arm.svg"));
  EXPECT_EQ(Commands::render({kScene, "--frame", "12", "-o", svg}), 0);
  QFile file(svg);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("<svg"));
}
