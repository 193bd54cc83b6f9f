#pragma once
// Adds, removes and reorders the variable input ports of a module with any number of inputs.
// The matrix kind makes matrix ports, the image kind image ports; links travel with their ports.
#include <QString>

class MO_Module;
class MO_Port;

class MO_PortManipulator {
public:
  explicit MO_PortManipulator(MO_Module* module) : m_module(module) {}
  virtual ~MO_PortManipulator() = default;
  MO_Module* module() const { return m_module; }

  // Inserts a port before `index` (at the end when index equals the port count); null when the
  // index is out of range.
  MO_Port* insertPort(int index, const QString& name = QString());
  bool removePort(int index);
  // Moves the port at `from` so that it ends at `to`, links included.
  bool movePort(int from, int to);

protected:
  virtual bool imagePorts() const = 0;

private:
  MO_Module* m_module;
};

class MO_MatrixPortManipulator : public MO_PortManipulator {
public:
  using MO_PortManipulator::MO_PortManipulator;

protected:
  bool imagePorts() const override { return false; }
};

class MO_ImagePortManipulator : public MO_PortManipulator {
public:
  using MO_PortManipulator::MO_PortManipulator;

protected:
  bool imagePorts() const override { return true; }
};
