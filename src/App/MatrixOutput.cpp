#include "MatrixOutput.h"

#include <cmath>

namespace {

void number(std::FILE* out, double v, bool json) {
  if (json && !std::isfinite(v)) {
    std::fputs("null", out);
    return;
  }
  std::fprintf(out, "%.17g", v);
}

QByteArray csvField(const QString& s) {
  if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
    return s.toUtf8();
  QString quoted = s;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return '"' + quoted.toUtf8() + '"';
}

} // namespace

QByteArray MatrixOutput::jsonString(const QString& s) {
  QByteArray r = "\"";
  for (const char c : s.toUtf8()) {
    switch (c) {
    case '"': r += "\\\""; break;
    case '\\': r += "\\\\"; break;
    case '\n': r += "\\n"; break;
    case '\r': r += "\\r"; break;
    case '\t': r += "\\t"; break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        r += buf;
      } else {
        r += c;
      }
    }
  }
  return r + "\"";
}

void MatrixOutput::writeCsv(std::FILE* out, const std::vector<int>& frames, const std::vector<EvaluatedNode>& nodes) {
  std::fputs("node,frame", out);
  for (int i = 0; i < 16; ++i)
    std::fprintf(out, ",m%d", i);
  std::fputc('\n', out);
  for (const EvaluatedNode& n : nodes) {
    const QByteArray name = csvField(n.name);
    for (std::size_t f = 0; f < frames.size(); ++f) {
      std::fprintf(out, "%s,%d", name.constData(), frames[f]);
      for (double v : n.matrices[f]) {
        std::fputc(',', out);
        number(out, v, false);
      }
      std::fputc('\n', out);
    }
  }
}

void MatrixOutput::writeJson(std::FILE* out, const std::vector<int>& frames, const std::vector<EvaluatedNode>& nodes) {
  std::fputs("{\"frames\": [", out);
  for (std::size_t f = 0; f < frames.size(); ++f)
    std::fprintf(out, f ? ", %d" : "%d", frames[f]);
  std::fputs("], \"nodes\": {", out);
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    std::fprintf(out, "%s\n  %s: [", k ? "," : "", jsonString(nodes[k].name).constData());
    for (std::size_t f = 0; f < nodes[k].matrices.size(); ++f) {
      std::fputs(f ? ",\n    [" : "\n    [", out);
      for (int i = 0; i < 16; ++i) {
        if (i)
          std::fputs(", ", out);
        number(out, nodes[k].matrices[f][static_cast<std::size_t>(i)], true);
      }
      std::fputc(']', out);
    }
    std::fputs("]", out);
  }
  std::fputs("\n}}\n", out);
}
