#include "NodeGraph.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <functional>

#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/SC_SceneCommon.h"

const QColor NodeGraph::kBackground(58, 61, 68);

namespace {

constexpr double kBoxHeight = 30.0;
constexpr double kMinBoxWidth = 96.0;
constexpr double kTextPadding = 14.0;
constexpr double kRowGap = 58.0;
constexpr double kColumnGap = 26.0;
constexpr double kPortWidth = 13.0, kPortHeight = 8.0, kPortGap = 7.0;
constexpr double kMargin = 24.0;
const QColor kLinkColour(196, 200, 208);
const QColor kSelectionColour(47, 124, 255);

QFont nameFont() {
  QFont font;
  font.setPixelSize(12);
  font.setBold(true);
  return font;
}

QColor colourOf(std::uint32_t rgba) { return QColor::fromRgba(rgba); }

// A port's rectangle: `count` of them spread evenly along the top (inputs) or bottom edge.
QRectF portRect(const QRectF& box, int index, int count, bool output) {
  const double cx = box.left() + box.width() * (index + 1) / (count + 1);
  const double cy = output ? box.bottom() : box.top();
  return QRectF(cx - 0.5 * kPortWidth, cy - 0.5 * kPortHeight, kPortWidth, kPortHeight);
}

// Each node's row: 0 for a node nothing feeds, else one below the lowest of its inputs.
std::vector<int> rowsOf(const std::vector<NodeGraph::Link>& links, std::size_t count) {
  std::vector<std::vector<std::size_t>> inputs(count);
  for (const NodeGraph::Link& l : links)
    inputs[l.to].push_back(l.from);
  std::vector<int> row(count, -1);
  const std::function<int(std::size_t)> rowOf = [&](std::size_t i) {
    if (row[i] >= 0)
      return row[i];
    int r = 0;
    for (std::size_t from : inputs[i])
      r = std::max(r, rowOf(from) + 1);
    return row[i] = r;
  };
  for (std::size_t i = 0; i < count; ++i)
    rowOf(i);
  return row;
}

} // namespace

NodeGraph NodeGraph::of(SC_SceneCommon& scene, double frame) {
  NodeGraph graph;
  const MO_FrameKey key(frame);
  QHash<const MO_Module*, std::size_t> index;
  for (const MO_Module* n : scene.nodes())
    index.insert(n, index.size());
  for (MO_Module* n : scene.nodes()) {
    Node node;
    node.name = n->instanceName();
    node.type = n->moduleTypeName();
    node.displayName = n->baseDisplayName();
    node.light = colourOf(n->lightColor());
    node.dark = colourOf(n->darkColor());
    node.enabled = n->enabled();
    node.selected = n->selected();
    const int main = n->mainInPortIdAtFrame(key);
    for (int p = 0; p < n->nInPorts(); ++p) {
      std::uint32_t light = 0, dark = 0;
      n->nvPortColors(p, key, false, light, dark);
      const MO_SimplePortMetaData* meta = n->inPortMetadata(p);
      node.inputs.push_back({p,
                             meta ? meta->name() : QString(),
                             {},
                             colourOf(light),
                             colourOf(dark),
                             n->isPortActive(key, p),
                             p == main});
      if (const MO_Port* src = n->inPort(p)->srcPort())
        graph.m_links.push_back({index.value(src->node()), src->index(), graph.m_nodes.size(), p});
    }
    for (int p = 0; p < n->nOutPorts(); ++p) {
      std::uint32_t light = 0, dark = 0;
      n->nvPortColors(p, key, true, light, dark);
      node.outputs.push_back({p, QString(), {}, colourOf(light), colourOf(dark), true, false});
    }
    graph.m_nodes.push_back(node);
  }
  graph.place();
  return graph;
}

// Boxes sized to their names and ports, set out in rows by depth, each row ordered under its
// inputs and centred, then the ports placed on their boxes.
void NodeGraph::place() {
  const QFontMetricsF metrics(nameFont());
  for (Node& n : m_nodes) {
    const std::size_t ports = std::max(n.inputs.size(), n.outputs.size());
    const double width = std::max({kMinBoxWidth, metrics.horizontalAdvance(n.name) + 2 * kTextPadding,
                                   ports * (kPortWidth + kPortGap) + kPortGap});
    n.rect = QRectF(0, 0, std::ceil(width), kBoxHeight);
  }
  const std::vector<int> row = rowsOf(m_links, m_nodes.size());
  const int rows = m_nodes.empty() ? 0 : *std::max_element(row.begin(), row.end()) + 1;
  std::vector<std::vector<std::size_t>> byRow(static_cast<std::size_t>(rows));
  for (std::size_t i = 0; i < m_nodes.size(); ++i)
    byRow[static_cast<std::size_t>(row[i])].push_back(i);
  for (int r = 0; r < rows; ++r)
    lineUp(byRow[static_cast<std::size_t>(r)], r);
  orderUnderInputs(byRow);
  centreRows(byRow);
  for (Node& n : m_nodes) {
    for (Port& p : n.inputs)
      p.rect = portRect(n.rect, p.index, static_cast<int>(n.inputs.size()), false);
    for (Port& p : n.outputs)
      p.rect = portRect(n.rect, p.index, static_cast<int>(n.outputs.size()), true);
  }
}

// The row's boxes side by side from the left, in the order given.
void NodeGraph::lineUp(const std::vector<std::size_t>& nodes, int row) {
  double x = 0.0;
  for (std::size_t i : nodes) {
    m_nodes[i].rect.moveTopLeft(QPointF(x, row * (kBoxHeight + kRowGap)));
    x += m_nodes[i].rect.width() + kColumnGap;
  }
}

// Each row below the first in the order of where its inputs stand (their mean centre), so that
// links run down rather than across; twice, as a row's order moves the rows it feeds.
void NodeGraph::orderUnderInputs(std::vector<std::vector<std::size_t>>& byRow) {
  for (int sweep = 0; sweep < 2; ++sweep)
    for (std::size_t r = 1; r < byRow.size(); ++r) {
      std::vector<std::size_t>& nodes = byRow[r];
      std::vector<double> key(m_nodes.size(), 0.0);
      for (std::size_t k = 0; k < nodes.size(); ++k) {
        double sum = 0.0;
        int count = 0;
        for (const Link& l : m_links)
          if (l.to == nodes[k]) {
            sum += m_nodes[l.from].rect.center().x();
            ++count;
          }
        key[nodes[k]] = count ? sum / count : m_nodes[nodes[k]].rect.center().x();
      }
      std::stable_sort(nodes.begin(), nodes.end(), [&](std::size_t a, std::size_t b) { return key[a] < key[b]; });
      lineUp(nodes, static_cast<int>(r));
    }
}

// Rows centred on one another.
void NodeGraph::centreRows(const std::vector<std::vector<std::size_t>>& byRow) {
  double widest = 0.0;
  for (const auto& nodes : byRow)
    if (!nodes.empty())
      widest = std::max(widest, m_nodes[nodes.back()].rect.right());
  for (const auto& nodes : byRow) {
    if (nodes.empty())
      continue;
    const double shift = std::floor(0.5 * (widest - m_nodes[nodes.back()].rect.right()));
    for (std::size_t i : nodes)
      m_nodes[i].rect.translate(shift, 0.0);
  }
}

const NodeGraph::Node* NodeGraph::find(const QString& name) const {
  for (const Node& n : m_nodes)
    if (n.name == name)
      return &n;
  return nullptr;
}

QRectF NodeGraph::bounds() const {
  QRectF all;
  for (const Node& n : m_nodes)
    all |= n.rect.adjusted(0, -kPortHeight, 0, kPortHeight);
  return all.adjusted(-kMargin, -kMargin, kMargin, kMargin);
}

QString NodeGraph::nodeAt(const QPointF& p) const {
  for (auto it = m_nodes.rbegin(); it != m_nodes.rend(); ++it)
    if (it->rect.contains(p))
      return it->name;
  return QString();
}

void NodeGraph::paint(QPainter& painter) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Link& l : m_links) {
    const Port& out = m_nodes[l.from].outputs[static_cast<std::size_t>(l.fromPort)];
    const Port& in = m_nodes[l.to].inputs[static_cast<std::size_t>(l.toPort)];
    const QPointF a(out.rect.center().x(), out.rect.bottom());
    const QPointF b(in.rect.center().x(), in.rect.top());
    const double bend = std::max(24.0, 0.5 * std::fabs(b.y() - a.y()));
    QPainterPath path(a);
    path.cubicTo(a + QPointF(0, bend), b - QPointF(0, bend), b);
    QPen pen(in.active ? kLinkColour : QColor(kLinkColour.red(), kLinkColour.green(), kLinkColour.blue(), 120),
             in.main ? 2.6 : 1.4, in.active ? Qt::SolidLine : Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
  }
  painter.setFont(nameFont());
  for (const Node& n : m_nodes) {
    if (n.selected) {
      painter.setPen(QPen(kSelectionColour, 3.0));
      painter.setBrush(Qt::NoBrush);
      painter.drawRoundedRect(n.rect.adjusted(-4, -4, 4, 4), 6, 6);
    }
    QColor fill = n.light;
    if (!n.enabled)
      fill.setAlpha(90);
    painter.setPen(QPen(n.dark, 2.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(n.rect, 4, 4);
    // The name in whichever of near-black and white reads better on the fill.
    const bool lightFill = qGray(n.light.rgb()) > 118 && n.enabled;
    painter.setPen(lightFill ? QColor(20, 22, 26) : QColor(246, 246, 246));
    QFont font = nameFont();
    font.setItalic(!n.enabled);
    font.setStrikeOut(!n.enabled);
    painter.setFont(font);
    painter.drawText(n.rect, Qt::AlignCenter, n.name);
    for (const std::vector<Port>* ports : {&n.inputs, &n.outputs})
      for (const Port& p : *ports) {
        painter.setPen(QPen(p.dark, 1.5));
        painter.setBrush(p.light);
        painter.drawRect(p.rect);
      }
  }
  painter.restore();
}

QImage NodeGraph::toImage() const {
  const QRectF area = bounds();
  QImage image(std::max(1, static_cast<int>(std::ceil(area.width()))),
               std::max(1, static_cast<int>(std::ceil(area.height()))), QImage::Format_ARGB32_Premultiplied);
  image.fill(kBackground);
  QPainter painter(&image);
  painter.translate(-area.topLeft());
  paint(painter);
  return image;
}

bool NodeGraph::save(const QString& path, QString* why) const {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const auto failed = [&](const QString& reason) {
    if (why)
      *why = QStringLiteral("%1: %2").arg(path, reason);
    return false;
  };
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    return failed(QStringLiteral("the output must end in .png or .svg"));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("svg")) {
    const QRectF area = bounds();
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(area.size().toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), area.size()));
    generator.setTitle(QStringLiteral("vantorel node view"));
    QPainter painter(&generator);
    painter.fillRect(QRectF(QPointF(0, 0), area.size()), kBackground);
    painter.translate(-area.topLeft());
    paint(painter);
    painter.end();
  } else if (!toImage().save(&buffer, "PNG")) {
    return failed(QStringLiteral("cannot make the image"));
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    return failed(file.errorString());
  return true;
}
