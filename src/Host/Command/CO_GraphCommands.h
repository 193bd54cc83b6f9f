#pragma once
// Builders of undoable edits of the node graph. Each returns a new command that the caller owns
// and that changes nothing until it runs; null when the edit cannot be made.
//  - Adding a node: undo takes the node out of the scene again (its links cut) and keeps it for
//    redo; the command owns the node while it is out of the scene.
//  - Linking an input: undo puts back whatever the input was linked to before (or nothing).
#include <memory>

class CO_Command;
class MO_Module;
class SC_SceneCommon;

namespace Graph {
CO_Command* createAddNodeCmd(SC_SceneCommon* scene, std::unique_ptr<MO_Module> node);
// Null when either port is missing. A link that would close a cycle is refused when the
// command runs, and the command then changes nothing.
CO_Command* createLinkCmd(MO_Module* to, int inIndex, MO_Module* from, int outIndex);
} // namespace Graph
