#pragma once
// Writes evaluated matrices as CSV rows (node,frame,m0..m15) or one JSON document
// {"frames": [...], "nodes": {"NAME": [[16 values], ...]}}, numbers with 17 significant digits
// so that reading them back gives the same doubles. Non-finite values are written as null in
// JSON and as nan/inf in CSV.
#include <QString>
#include <array>
#include <cstdio>
#include <vector>

struct EvaluatedNode {
  QString name;
  std::vector<std::array<double, 16>> matrices;  // one per frame
};

namespace MatrixOutput {
void writeCsv(std::FILE* out, const std::vector<int>& frames, const std::vector<EvaluatedNode>& nodes);
void writeJson(std::FILE* out, const std::vector<int>& frames, const std::vector<EvaluatedNode>& nodes);
// A JSON string literal with the escapes JSON requires.
QByteArray jsonString(const QString& s);
} // namespace MatrixOutput
