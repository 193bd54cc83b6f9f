#include "AttributePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "NumberField.h"
#include "SessionError.h"
#include "ViewDocument.h"

namespace {

const QString kKeyHere = QStringLiteral("\u25c6");
const QString kAnimated = QStringLiteral("\u25c7");

// Bounds that mean "no bound" are not worth showing.
bool bounded(double v) { return std::isfinite(v) && std::fabs(v) < 1e15; }

QString rangeText(const AttributeInfo& info) {
  QString text;
  if (bounded(info.min) || bounded(info.max))
    text = QStringLiteral("from %1 to %2")
               .arg(bounded(info.min) ? QString::number(info.min) : QStringLiteral("-"),
                    bounded(info.max) ? QString::number(info.max) : QStringLiteral("-"));
  if (info.step > 0.0)
    text += (text.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("step %1").arg(info.step);
  return text;
}

} // namespace

AttributePanel::AttributePanel(ViewDocument& document, QWidget* parent) : QWidget(parent), m_document(document) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  m_title = new QLabel(this);
  m_title->setTextFormat(Qt::RichText);
  layout->addWidget(m_title);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  m_body = new QWidget(scroll);
  scroll->setWidget(m_body);
  layout->addWidget(scroll, 1);
  m_message = new QLabel(this);
  m_message->setWordWrap(true);
  m_message->setStyleSheet(QStringLiteral("color: #c0392b"));
  m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_message);
  new QFormLayout(m_body);

  connect(&document, &ViewDocument::selectionChanged, this, [this] {
    if (m_document.focusNode() != m_node)
      rebuild();
  });
  connect(&document, &ViewDocument::replaced, this, &AttributePanel::rebuild);
  connect(&document, &ViewDocument::frameChanged, this, &AttributePanel::refresh);
  connect(&document, &ViewDocument::sceneChanged, this, &AttributePanel::refresh);
  rebuild();
}

QWidget* AttributePanel::editor(const QString& keyword) const {
  for (const Row& r : m_rows)
    if (r.keyword == keyword)
      return r.editor;
  return nullptr;
}

QString AttributePanel::keyMark(const QString& keyword) const {
  for (const Row& r : m_rows)
    if (r.keyword == keyword)
      return r.key->text();
  return QString();
}

QString AttributePanel::message() const { return m_message->text(); }

void AttributePanel::rebuild() {
  // Editors going away say nothing more (a focused field would commit as it loses focus).
  for (const Row& r : m_rows)
    if (r.editor)
      QObject::disconnect(r.editor, nullptr, this, nullptr);
  m_rows.clear();
  delete m_body->layout();
  for (QWidget* child : m_body->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    delete child;
  auto* form = new QFormLayout(m_body);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  m_message->clear();
  Session& session = m_document.session();
  m_node = m_document.focusNode();
  if (m_node.isEmpty() || !session.hasNode(m_node)) {
    m_node.clear();
    m_title->setText(tr("<i>Select a node to edit its attributes</i>"));
    return;
  }
  const NodeInfo info = session.nodeInfo(m_node);
  m_title->setText(QStringLiteral("<b>%1</b> &nbsp;%2").arg(m_node.toHtmlEscaped(), info.displayName.toHtmlEscaped()));
  for (const AttributeInfo& a : session.attributes(m_node)) {
    addRow(form, a, false);
    for (const QString& part : a.parts)
      addRow(form, session.attribute(m_node, part), true);
  }
}

// The editor that fits the attribute's kind, wired to set it through the session; none for a compound.
QWidget* AttributePanel::makeEditor(const AttributeInfo& info) {
  const QString keyword = info.keyword;
  const QString node = m_node;
  Session& session = m_document.session();
  switch (info.kind) {
  case AttributeInfo::Number:
  case AttributeInfo::Integer:
    return makeNumberField(info);
  case AttributeInfo::Flag: {
    auto* box = new QCheckBox(m_body);
    connect(box, &QCheckBox::toggled, this, [this, node, keyword, &session](bool on) {
      apply(keyword, [&] { return session.setAttribute(node, keyword, on); });
    });
    return box;
  }
  case AttributeInfo::Option:
    return makeOptionList(info);
  case AttributeInfo::Text: {
    auto* line = new QLineEdit(m_body);
    connect(line, &QLineEdit::editingFinished, this, [this, line, node, keyword, &session] {
      if (!line->isModified())
        return;
      line->setModified(false);
      const QString text = line->text();
      apply(keyword, [&] { return session.setAttribute(node, keyword, text); });
    });
    return line;
  }
  case AttributeInfo::Button: {
    auto* button = new QPushButton(info.displayName, m_body);
    connect(button, &QPushButton::clicked, this,
            [this, node, keyword, &session] { apply(keyword, [&] { return session.pressButton(node, keyword); }); });
    return button;
  }
  case AttributeInfo::Compound:
    break;
  }
  return nullptr;
}

QWidget* AttributePanel::makeNumberField(const AttributeInfo& info) {
  const QString keyword = info.keyword;
  const QString node = m_node;
  Session& session = m_document.session();
  auto* field = new NumberField(m_body);
  field->setStep(info.step);
  field->setRange(info.min, info.max);
  field->setWholeNumbers(info.kind == AttributeInfo::Integer);
  field->setToolTip(QStringLiteral("%1 %2").arg(keyword, rangeText(info)).trimmed());
  connect(field, &NumberField::committed, this, [this, node, keyword, &session](const QString& text) {
    apply(keyword, [&] { return session.setAttribute(node, keyword, text); });
  });
  return field;
}

QWidget* AttributePanel::makeOptionList(const AttributeInfo& info) {
  const QString keyword = info.keyword;
  const QString node = m_node;
  Session& session = m_document.session();
  auto* list = new QComboBox(m_body);
  // Long option texts shorten rather than widen the panel.
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(8);
  for (const OptionInfo& o : info.options)
    list->addItem(o.text, o.keyword);
  connect(list, QOverload<int>::of(&QComboBox::activated), this, [this, list, node, keyword, &session](int i) {
    const QString value = list->itemData(i).toString();
    apply(keyword, [&] { return session.setAttribute(node, keyword, value); });
  });
  return list;
}

void AttributePanel::addRow(QFormLayout* form, const AttributeInfo& info, bool part) {
  const QString keyword = info.keyword;
  QWidget* editor = makeEditor(info);
  auto* key = new QLabel(m_body);
  key->setFixedWidth(key->fontMetrics().horizontalAdvance(kKeyHere) + 4);
  auto* field = new QWidget(m_body);
  auto* line = new QHBoxLayout(field);
  line->setContentsMargins(0, 0, 0, 0);
  line->addWidget(key);
  if (editor) {
    editor->setObjectName(keyword);
    line->addWidget(editor, 1);
  }
  const QString label = info.kind == AttributeInfo::Button ? QString() : info.displayName;
  auto* name = new QLabel(part ? QStringLiteral("    %1").arg(label) : label, m_body);
  name->setToolTip(keyword);
  if (info.kind == AttributeInfo::Compound) {
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
  }
  form->addRow(name, field);
  m_rows.push_back({keyword, info.kind, editor, key});
  show(m_rows.back(), info, true);
}

void AttributePanel::show(const Row& row, const AttributeInfo& info, bool force) {
  const double frame = m_document.frame();
  bool keyHere = false;
  for (const KeyInfo& k : info.keys)
    keyHere = keyHere || k.frame == frame;
  row.key->setText(keyHere ? kKeyHere : info.keys.empty() ? QString() : kAnimated);
  row.key->setToolTip(info.keys.empty() ? QString() : tr("%n key(s)", nullptr, static_cast<int>(info.keys.size())));
  if (!row.editor)
    return;
  const QSignalBlocker quiet(row.editor);
  if (auto* field = qobject_cast<NumberField*>(row.editor)) {
    // Not while the user is typing into it.
    if (force || !(field->hasFocus() && field->isModified()))
      field->showValue(info.text);
  } else if (auto* box = qobject_cast<QCheckBox*>(row.editor)) {
    box->setChecked(info.number != 0.0);
  } else if (auto* list = qobject_cast<QComboBox*>(row.editor)) {
    list->setCurrentIndex(list->findData(info.text));
  } else if (auto* line = qobject_cast<QLineEdit*>(row.editor)) {
    if (force || !(line->hasFocus() && line->isModified()))
      line->setText(info.text);
  }
}

void AttributePanel::refresh() {
  Session& session = m_document.session();
  if (m_node.isEmpty() || !session.hasNode(m_node)) {
    if (!m_node.isEmpty())
      rebuild();
    return;
  }
  for (const Row& r : m_rows)
    show(r, session.attribute(m_node, r.keyword), false);
}

template <class Edit> void AttributePanel::apply(const QString& keyword, Edit&& edit) {
  QString step, refusal;
  try {
    step = edit();
  } catch (const SessionError& e) {
    refusal = e.message();
  }
  // The field shows the value as the scene now holds it: the one set, spelled as files spell
  // it, or the attribute's own again after a refusal.
  for (const Row& r : m_rows)
    if (r.keyword == keyword)
      show(r, m_document.session().attribute(m_node, keyword), true);
  m_message->setText(refusal);
  if (refusal.isEmpty())
    emit edited(step);
  else
    emit refused(refusal);
}
