#pragma once
// The host's attributes as the plug-in sees them: declarations, numbers with keys, flags,
// whole numbers, text, compounds, buttons, options and their surrogates, plus what options
// need of the host's files and translations.
#include "PersistentObj/PIO_WritingContext.h"
#include "PersistentObj/RXLex.h"
#include "SceneCore/AT_AttrMeta.h"
#include "SceneCore/AT_AttrVisitor.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_DoubleAttrMeta.h"
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_PushButtonAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/AT_SimpleAttrSurrogate.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MISC_Translate.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/UT_DynKey.h"
