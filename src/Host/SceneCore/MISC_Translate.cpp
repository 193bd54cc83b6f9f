#include "SceneCore/MISC_Translate.h"

#include <QCoreApplication>

QString MISC_translateFromLatin1(const char* context, const char* text, const char* disambiguation) {
  // Without an application object there are no translators: the text stands as written.
  if (!QCoreApplication::instance())
    return QString::fromLatin1(text);
  return QCoreApplication::translate(context, text, disambiguation);
}
