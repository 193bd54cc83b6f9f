#pragma once
// Keeps only chosen percentages of its input's translation, scale, rotation and skew
// relative to a reference frame, about a draggable control position (scene units).
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_Module.h"
#include "TransformControls/TransformLimitOptions.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_Position2dAttr;
class AT_StringAttr;

class TransformLimitModule : public Constraint_Module {
public:
  static const QString& typeName();

  TransformLimitModule();
  ~TransformLimitModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Transformation-Limit"); }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;

  AT_DoubleAttr* activeAttr() const { return m_active; }
  TransformLimit::SwitchType* switchtypeAttr() const { return m_switchtype; }
  AT_DoubleAttr* txAttr() const { return m_tx; }
  AT_DoubleAttr* tyAttr() const { return m_ty; }
  AT_DoubleAttr* tzAttr() const { return m_tz; }
  AT_DoubleAttr* rotAttr() const { return m_rot; }
  AT_DoubleAttr* skewAttr() const { return m_skew; }
  AT_DoubleAttr* sxAttr() const { return m_sx; }
  AT_DoubleAttr* syAttr() const { return m_sy; }
  AT_BoolAttr* allowflipAttr() const { return m_allowflip; }
  AT_BoolAttr* uniformscaleAttr() const { return m_uniformscale; }
  AT_DoubleAttr* pignoreAttr() const { return m_pignore; }
  AT_StringAttr* parentnameAttr() const { return m_parentname; }
  TransformLimit::FlattenType* flattentypeAttr() const { return m_flattentype; }
  TransformLimit::SkewType* skewtypeAttr() const { return m_skewtype; }
  TransformLimit::FlipAxisType* flipaxisAttr() const { return m_flipaxis; }
  AT_Position2dAttr* posAttr() const { return m_pos; }

private:
  AT_DoubleAttr* m_active;
  TransformLimit::SwitchType* m_switchtype;
  AT_DoubleAttr* m_tx;
  AT_DoubleAttr* m_ty;
  AT_DoubleAttr* m_tz;
  AT_DoubleAttr* m_rot;
  AT_DoubleAttr* m_skew;
  AT_DoubleAttr* m_sx;
  AT_DoubleAttr* m_sy;
  AT_BoolAttr* m_allowflip;
  AT_BoolAttr* m_uniformscale;
  AT_DoubleAttr* m_pignore;
  AT_StringAttr* m_parentname;
  TransformLimit::FlattenType* m_flattentype;
  TransformLimit::SkewType* m_skewtype;
  TransformLimit::FlipAxisType* m_flipaxis;
  AT_Position2dAttr* m_pos;
};
