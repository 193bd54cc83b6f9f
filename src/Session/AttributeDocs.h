#pragma once
// What each attribute of the node types vantorel knows does, in one line, and its unit: one
// table for the host's own types and the plug-in's, read by `types` and by attribute queries.
// A compound's parts share its row. Units are "scene units", "drawing units", "degrees",
// "percent" or empty (flags, options, factors, counts, names).
#include <QString>

namespace AttributeDocs {

struct Doc {
  QString unit;
  QString description; // empty when the table has no row
};

// The row for a keyword ("POSITION", or a part "POSITION.X") of a node type.
Doc find(const QString& type, const QString& keyword);

} // namespace AttributeDocs
