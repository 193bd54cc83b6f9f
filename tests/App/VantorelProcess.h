#pragma once
// Runs the built `vantorel` binary as a user would and collects what it says; what the tests that
// run it share: a file's bytes, a scene written into a folder, and eval's JSON read back.
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
