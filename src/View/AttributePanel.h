#pragma once
// The attribute editor of the node the document shows, built from its declarations: numbers
// and whole numbers as fields stepping by their step within their range, options as lists of
// their display texts, flags as check boxes, texts as text fields, push buttons (the static
// node's two bake buttons) as buttons, a compound's parts under its name. An animated attribute
// shows its value at the shown frame, with a filled diamond when a key stands there and a hollow
// one otherwise, and an edit keys that frame. Each edit is one undoable step; a value the
// session refuses is shown with its message (the scene reader's words) and changes nothing.
#include <QString>
#include <QWidget>
#include <vector>

#include "SessionTypes.h"

class QFormLayout;
class QLabel;
class ViewDocument;

class AttributePanel : public QWidget {
  Q_OBJECT
public:
  explicit AttributePanel(ViewDocument& document, QWidget* parent = nullptr);

  // The node shown; empty when none is.
  const QString& node() const { return m_node; }
  // The editor of an attribute by keyword path ("ROTATION.ANGLEZ", "bakeAttr_all"); null when
  // the panel has none.
  QWidget* editor(const QString& keyword) const;
  // The key mark beside an attribute: "◆" a key at the shown frame, "◇" animated, else empty.
  QString keyMark(const QString& keyword) const;
  // The last refusal shown; empty once an edit succeeds.
  QString message() const;

signals:
  void edited(const QString& step);
  void refused(const QString& message);

private:
  struct Row {
    QString keyword;
    AttributeInfo::Kind kind;
    QWidget* editor;
    QLabel* key;
  };
  void rebuild();
  void refresh();
  void addRow(QFormLayout* form, const AttributeInfo& info, bool part);
  QWidget* makeEditor(const AttributeInfo& info);
  QWidget* makeNumberField(const AttributeInfo& info);
  QWidget* makeOptionList(const AttributeInfo& info);
  // `force`: even over what the user is typing.
  void show(const Row& row, const AttributeInfo& info, bool force);
  // Runs one edit of the shown node, reporting its step or its refusal.
  template <class Edit> void apply(const QString& keyword, Edit&& edit);

  ViewDocument& m_document;
  QString m_node;
  QWidget* m_body = nullptr;
  QLabel* m_title = nullptr;
  QLabel* m_message = nullptr;
  std::vector<Row> m_rows;
};
