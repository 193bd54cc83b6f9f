#pragma once
// Follows its input's animation with spring-like lag, frame after frame, with a tension
// and an inertia (percent) per channel: translation x, y, z, scale, skew and rotation.
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_Module.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_StringAttr;

class DynamicSpringModule : public Constraint_Module {
public:
  static const QString& typeName();

  DynamicSpringModule();
  ~DynamicSpringModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Dynamic-Spring"); }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_BoolAttr* matchexposuresAttr() const { return m_matchexposures; }
  AT_DoubleAttr* tensionxAttr() const { return m_tensionx; }
  AT_DoubleAttr* inertiaxAttr() const { return m_inertiax; }
  AT_DoubleAttr* tensionyAttr() const { return m_tensiony; }
  AT_DoubleAttr* inertiayAttr() const { return m_inertiay; }
  AT_DoubleAttr* tensionzAttr() const { return m_tensionz; }
  AT_DoubleAttr* inertiazAttr() const { return m_inertiaz; }
  AT_DoubleAttr* tensionscaleAttr() const { return m_tensionscale; }
  AT_DoubleAttr* inertiascaleAttr() const { return m_inertiascale; }
  AT_DoubleAttr* tensionskewAttr() const { return m_tensionskew; }
  AT_DoubleAttr* inertiaskewAttr() const { return m_inertiaskew; }
  AT_DoubleAttr* tensionrotateAttr() const { return m_tensionrotate; }
  AT_DoubleAttr* inertiarotateAttr() const { return m_inertiarotate; }
  AT_DoubleAttr* pignoreAttr() const { return m_pignore; }
  AT_StringAttr* parentnameAttr() const { return m_parentname; }

private:
  AT_DoubleAttr* m_active;
  AT_BoolAttr* m_matchexposures;
  AT_DoubleAttr* m_tensionx;
  AT_DoubleAttr* m_inertiax;
  AT_DoubleAttr* m_tensiony;
  AT_DoubleAttr* m_inertiay;
  AT_DoubleAttr* m_tensionz;
  AT_DoubleAttr* m_inertiaz;
  AT_DoubleAttr* m_tensionscale;
  AT_DoubleAttr* m_inertiascale;
  AT_DoubleAttr* m_tensionskew;
  AT_DoubleAttr* m_inertiaskew;
  AT_DoubleAttr* m_tensionrotate;
  AT_DoubleAttr* m_inertiarotate;
  AT_DoubleAttr* m_pignore;
  AT_StringAttr* m_parentname;
};
