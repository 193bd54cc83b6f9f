#pragma once
// Runs the built `vantorel` binary as a user would and collects what it says; what the tests that
// run it share: a file's bytes, a scene written into a folder, and eval's JSON and CSV read back.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <map>
#include <vector>

struct ProcessResult {
  int status; // -1 when the process crashed
  QByteArray out;
  QByteArray err;
};

inline ProcessResult vantorel(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(VANTOREL_BINARY), args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

inline QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// `text` written to NAME in the folder; its path.
inline QString written(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size()) << path.toStdString();
  return path;
}

using Matrix16 = std::array<double, 16>; // column order

// Each node's matrix at each frame, as `vantorel eval ARGS --format json` writes them.
inline std::map<QString, std::vector<Matrix16>> evalJson(const QStringList& args) {
  const ProcessResult r = vantorel(QStringList{QStringLiteral("eval")} + args +
                                   QStringList{QStringLiteral("--format"), QStringLiteral("json")});
  EXPECT_EQ(r.status, 0) << args.join(QLatin1Char(' ')).toStdString() << ": " << r.err.toStdString();
  std::map<QString, std::vector<Matrix16>> run;
  const QJsonObject nodes = QJsonDocument::fromJson(r.out).object()[QStringLiteral("nodes")].toObject();
  for (auto it = nodes.begin(); it != nodes.end(); ++it)
    for (const QJsonValue& row : it.value().toArray()) {
      Matrix16 m{};
      for (int i = 0; i < 16; ++i)
        m[static_cast<std::size_t>(i)] = row.toArray()[i].toDouble();
      run[it.key()].push_back(m);
    }
  return run;
}

// The matrices vantorel eval prints for the file (every node, or those given) at every frame of
// its range, by frame, node after node, in column order.
inline std::map<int, std::vector<double>> evalByFrame(const QString& path, const QStringList& nodes = {}) {
  QStringList args{QStringLiteral("eval"), path, QStringLiteral("--format"), QStringLiteral("csv")};
  for (const QString& n : nodes)
    args << QStringLiteral("--node") << n;
  const ProcessResult r = vantorel(args);
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  std::map<int, std::vector<double>> byFrame;
  for (const QByteArray& line : r.out.split('\n')) {
    const QList<QByteArray> cells = line.split(',');
    for (int i = 2; cells.size() == 18 && cells[0] != "node" && i < 18; ++i)
      byFrame[cells[1].toInt()].push_back(cells[i].toDouble());
  }
  return byFrame;
}

// All of them in one run, frame after frame, as Session::evaluate fills a buffer.
inline std::vector<double> evalFile(const QString& path) {
  std::vector<double> all;
  for (const auto& [frame, values] : evalByFrame(path))
    all.insert(all.end(), values.begin(), values.end());
  return all;
}
