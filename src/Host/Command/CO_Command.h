#pragma once
// An undoable edit. execute() applies it, undo() puts back what was there before, redo()
// applies it again after an undo. Header-only so that the attribute library can derive its
// edit commands from it without linking the command library (which links it).
class CO_Command {
public:
  CO_Command() = default;
  virtual ~CO_Command() = default;
  CO_Command(const CO_Command&) = delete;
  CO_Command& operator=(const CO_Command&) = delete;

  virtual void execute() = 0;
  virtual void undo() = 0;
  // Commands that can restore their after-state exactly override this; running the edit again
  // is right for the rest.
  virtual void redo() { execute(); }
};
